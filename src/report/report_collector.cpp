// Summaries, lost items and pages, section by section.
#include "report/report_collector.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <tuple>
#include <utility>

#include "base/fatal.h"
#include "listing/listing_parser.h"
#include "listing/listing_texts.h"
#include "listing/profile_line_classifier.h"
#include "report/html_pages.h"

namespace korvcmp {
namespace {

constexpr std::string_view kMonitoredLabel = "MONITORED SOURCE FILE : ";
constexpr std::size_t kPageNameChars = 60;

ChangeFigures changeOf(std::int64_t newHits, std::int64_t lostHits, std::int64_t equalHits) {
    return ChangeFigures{equalHits + lostHits, newHits, lostHits};
}

// The name of a FUNCTION line: its description after "FUNCTION ".
std::string functionName(const ListingLine& functionLine) {
    const std::string_view text = functionLine.view();
    const std::size_t from = kDescriptionColumn + kFunction.size();
    return from <= text.size() ? std::string(text.substr(from)) : std::string();
}

// What the count before a marker at `column` counts, by the line's kind.
std::string_view countName(LineKind kind, int column) {
    switch (kind) {
        case LK_DECISION:
        case LK_CONDITION_TRUE:
        case LK_CONDITION_FALSE:
            return column == kTrueMarkerColumn ? "TRUE" : "FALSE";
        default:
            return "hits";
    }
}

// A production time in the asctime layout ("Wed Mar  5 16:48:02 2025") as
// year, month, day, hours, minutes, seconds; none when it is not one.
using ProductionTime = std::tuple<int, int, int, int, int, int>;
std::optional<ProductionTime> productionTime(std::string_view text) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    constexpr std::size_t kLength = 24;
    if (text.size() < kLength || text[3] != ' ' || text[7] != ' ' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':' || text[19] != ' ') {
        return std::nullopt;
    }
    int month = 0;
    while (month < 12 && kMonths[static_cast<std::size_t>(month)] != text.substr(4, 3)) {
        ++month;
    }
    const auto number = [&](std::size_t at, std::size_t width) -> std::optional<int> {
        std::string_view digits = text.substr(at, width);
        while (!digits.empty() && digits.front() == ' ') {
            digits.remove_prefix(1);
        }
        int value = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
            return std::nullopt;
        }
        return value;
    };
    const auto day = number(8, 2);
    const auto hours = number(11, 2);
    const auto minutes = number(14, 2);
    const auto seconds = number(17, 2);
    const auto year = number(20, 4);
    if (month == 12 || !day || !hours || !minutes || !seconds || !year) {
        return std::nullopt;
    }
    return ProductionTime{*year, month, *day, *hours, *minutes, *seconds};
}

// The header's "Label : value" lines as the model keeps them.
ListingHeader headerOf(const char* path, const ProfileListing& listing) {
    ListingHeader header;
    header.path = path;
    header.producedAt = listing.producedAt != nullptr ? listing.producedAt : "";
    header.coverageView = listing.coverageView != nullptr ? listing.coverageView : "";
    std::string_view lines = listing.headerFields != nullptr ? listing.headerFields : "";
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        const std::string_view line = lines.substr(0, end);
        const std::size_t separator = line.find(": ");
        std::string_view label = line.substr(0, separator);
        while (!label.empty() && label.back() == ' ') {
            label.remove_suffix(1);
        }
        header.fields.emplace_back(label, separator == std::string_view::npos
                                              ? std::string_view()
                                              : line.substr(separator + 2));
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
    }
    return header;
}

void addWarnings(ReportModel& model) {
    const ListingHeader& one = model.listing1;
    const ListingHeader& two = model.listing2;
    if (one.coverageView != two.coverageView) {
        model.warnings.push_back("the coverage views differ: listing 1 has \"" + one.coverageView +
                                 "\", listing 2 \"" + two.coverageView + "\"");
    }
    const std::optional<ProductionTime> time1 = productionTime(one.producedAt);
    const std::optional<ProductionTime> time2 = productionTime(two.producedAt);
    if (time1 && time2 && *time1 > *time2) {
        model.warnings.push_back("listing 1 was produced after listing 2 (" + one.producedAt +
                                 ", " + two.producedAt + "): are the inputs swapped?");
    }
}

}  // namespace

std::string_view monitoredPath(std::string_view monitoredLine) {
    if (monitoredLine.starts_with(kMonitoredLabel)) {
        return monitoredLine.substr(kMonitoredLabel.size());
    }
    return monitoredLine.substr(std::min(monitoredLine.size(), kMonitored.size()));
}

std::string pageName(std::size_t index, std::string_view path) {
    // The end of the path names the file best; other characters than
    // letters, digits, '.', '-' and '_' become '_'.
    if (path.size() > kPageNameChars) {
        path = path.substr(path.size() - kPageNameChars);
    }
    std::string name = "files/" + std::to_string(index + 1) + "-";
    for (const char c : path) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        name.push_back(safe ? c : '_');
    }
    name.append(".html");
    return name;
}

ReportCollector::ReportCollector(const RunState& run, ReportModel& model,
                                 const ReportDirectory* directory)
    : run_(run), model_(model), directory_(directory) {}

void ReportCollector::listing2Read(const ProfileListing& listing2) {
    listing2View_ = listing2.coverageView;
    model_.listing2 = headerOf(run_.paths.listing2Path, listing2);
    for (const MonitoredFile* file = listing2.firstFile; file != nullptr; file = file->next) {
        const std::size_t index = model_.files.size();
        FileSummary& summary = model_.files.emplace_back();
        summary.path = monitoredPath(file->monitoredLine);
        if (directory_ != nullptr) {
            summary.page = pageName(index, summary.path);
        }
        indexOf_.emplace(file, index);
    }
    if (directory_ != nullptr) {
        page_.prepare();
    }
}

void ReportCollector::listing1Read(const ProfileListing& /*listing1*/,
                                   const std::vector<RemovedSection>& removed) {
    removedMoved_.assign(removed.size(), false);
    // The FUNCTION lines of the removed sections read whole: which sections
    // hold each, how often.
    std::unordered_map<std::string_view, std::vector<std::pair<std::size_t, std::size_t>>> holders;
    std::vector<std::size_t> functionCount1(removed.size(), 0);
    const auto countKeys = [](const MonitoredFile& file) {
        std::unordered_map<std::string_view, std::size_t> counts;
        for (const FunctionBlock* function = file.firstFunction; function != nullptr;
             function = function->next) {
            ++counts[functionKey(*function)];
        }
        return counts;
    };
    for (std::size_t r = 0; r < removed.size(); ++r) {
        if (removed[r].section == nullptr) {
            continue;
        }
        for (const auto& [key, count] : countKeys(*removed[r].section)) {
            holders[key].emplace_back(r, count);
            functionCount1[r] += count;
        }
    }
    if (holders.empty()) {
        return;
    }
    // Every pair in which at least half of the functions of each side have
    // their FUNCTION line in the other; the best matches are paired first.
    struct Candidate {
        std::size_t order2;  // listing 2's order of the section
        const MonitoredFile* file2;
        std::size_t removed;
        std::size_t shared;
        std::size_t functions;  // of both sections
    };
    std::vector<Candidate> candidates;
    std::size_t order2 = 0;
    for (const MonitoredFile* file2 = run_.listing2->firstFile; file2 != nullptr;
         file2 = file2->next, ++order2) {
        // Only sections not yet paired by their MONITORED line are left.
        if (file2->comparable != 0 || file2->reason != nullptr) {
            continue;
        }
        std::size_t functionCount2 = 0;
        std::unordered_map<std::size_t, std::size_t> shared;
        for (const auto& [key, count2] : countKeys(*file2)) {
            functionCount2 += count2;
            if (const auto found = holders.find(key); found != holders.end()) {
                for (const auto& [r, count1] : found->second) {
                    shared[r] += std::min(count1, count2);
                }
            }
        }
        for (const auto& [r, common] : shared) {
            if (2 * common >= functionCount1[r] && 2 * common >= functionCount2) {
                candidates.push_back(
                    {order2, file2, r, common, functionCount1[r] + functionCount2});
            }
        }
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        // The larger share of common functions first (shared / functions).
        const std::size_t left = a.shared * b.functions;
        const std::size_t right = b.shared * a.functions;
        return std::tie(right, b.shared, a.order2, a.removed) <
               std::tie(left, a.shared, b.order2, b.removed);
    });
    for (const Candidate& candidate : candidates) {
        if (removedMoved_[candidate.removed] || movedFrom_.contains(candidate.file2)) {
            continue;
        }
        removedMoved_[candidate.removed] = true;
        movedFrom_.emplace(candidate.file2, candidate.removed);
    }
}

void ReportCollector::summarise(FileSummary& summary, const MonitoredFile* file1,
                                const MonitoredFile& file2, const SectionAlignment& alignment) {
    const bool compared = file2.comparable != 0;
    summary.status = compared ? FileStatus::Compared : FileStatus::NotCompared;
    summary.reason = compared || file2.reason == nullptr ? "" : file2.reason;
    summary.functionCoverage = isFunctionCoverage(file2.modeLine, listing2View_);
    summary.ter1 = file1 != nullptr ? parseTerFigures(file1->terLine) : TerFigures{};
    summary.ter2 = parseTerFigures(file2.terLine);
    summary.change = changeOf(file2.newHits, file2.lostHits, file2.equalHits);
    summary.changes = alignment.changes;
    for (const AlignedFunction& aligned : alignment.functions) {
        FunctionSummary& function = summary.functions.emplace_back();
        const FunctionBlock* function1 = aligned.function1;
        const FunctionBlock* function2 = aligned.function2;
        const FunctionBlock& own = function2 != nullptr ? *function2 : *function1;
        if (own.firstLine != nullptr) {
            function.name = functionName(*own.firstLine);
            function.line = own.firstLine->lineNumber;
        }
        if (!summary.functionCoverage) {
            function.ter1 =
                function1 != nullptr ? parseTerFigures(function1->terLine) : TerFigures{};
            function.ter2 =
                function2 != nullptr ? parseTerFigures(function2->terLine) : TerFigures{};
        }
        if (function2 != nullptr) {
            function.change =
                changeOf(function2->newHits, function2->lostHits, function2->equalHits);
        }
        function.changes = aligned.changes;
        function.deleted = function2 == nullptr;
        if (aligned.pairedByBody && function1 != nullptr && function1->firstLine != nullptr) {
            function.renamedFrom = functionName(*function1->firstLine);
        }
    }
}

bool ReportCollector::keepLostItem(std::size_t index, std::int64_t number,
                                   const FileSummary& summary, const FunctionBlock& function2,
                                   const ListingLine& line1, const ListingLine& line2, int column) {
    const bool full = lostItems_.size() == ReportModel::kKeptLostItems;
    if (full && !LaterPlace()(PlacedLostItem{index, number, {}}, lostItems_.top())) {
        return false;  // every later item of this file comes later still
    }
    // The count stands before the marker, in its field.
    const bool trueField = column == kTrueMarkerColumn;
    LostItem item;
    item.file = summary.path;
    item.line = line2.lineNumber;
    item.function =
        function2.firstLine != nullptr ? functionName(*function2.firstLine) : std::string();
    item.countName = countName(line2.lineKind(), column);
    item.count1 = trueField ? trueCountOf(line1.view()) : falseCountOf(line1.view());
    item.description = descriptionOf(line2.view());
    item.edited = summary.edited;
    item.moved = !summary.movedFrom.empty();
    if (full) {
        lostItems_.pop();
    }
    lostItems_.push(PlacedLostItem{index, number, std::move(item)});
    return true;
}

void ReportCollector::keepLostItems(std::size_t index, const FileSummary& summary,
                                    const MonitoredFile& file1, const MonitoredFile& file2) {
    std::int64_t number = 0;
    const FunctionBlock* function1 = file1.firstFunction;
    for (const FunctionBlock* function2 = file2.firstFunction;
         function2 != nullptr && function1 != nullptr;
         function2 = function2->next, function1 = function1->next) {
        const ListingLine* line1 = function1->firstLine;
        for (const ListingLine* line2 = function2->firstLine; line2 != nullptr && line1 != nullptr;
             line2 = line2->next(), line1 = line1->next()) {
            for (const int column : {kTrueMarkerColumn, kFalseMarkerColumn}) {
                if (line2->markerAt(column) != kLostMarker) {
                    continue;
                }
                if (!keepLostItem(index, ++number, summary, *function2, *line1, *line2, column)) {
                    return;
                }
            }
        }
    }
}

void ReportCollector::keepAlignedLostItems(std::size_t index, const FileSummary& summary,
                                           const SectionAlignment& alignment) {
    std::int64_t number = 0;
    for (const AlignedFunction& aligned : alignment.functions) {
        if (aligned.function2 == nullptr || aligned.changes.lost == 0) {
            continue;
        }
        for (const AlignedLine& row : aligned.lines) {
            for (const auto& [change, column] : {std::pair{row.trueItem, kTrueMarkerColumn},
                                                 std::pair{row.falseItem, kFalseMarkerColumn}}) {
                if (change == ItemChange::Lost &&
                    !keepLostItem(index, ++number, summary, *aligned.function2, *row.line1,
                                  *row.line2, column)) {
                    return;
                }
            }
        }
    }
}

void ReportCollector::writePage(const FileSummary& summary, const MonitoredFile& file2,
                                const MonitoredFile* file1, const SectionAlignment* alignment) {
    const std::string path = directory_->filePath(summary.page);
    if (!page_.createFile(path.c_str(), LineEnds::asWritten)) {
        fatal("Cannot create \"%s\"", path);
    }
    writeFilePage(page_, model_, summary, file2, file1, listing2View_, alignment);
    if (!page_.close()) {
        fatal("Cannot write \"%s\"", path);
    }
}

void ReportCollector::sectionCompared(const MonitoredFile* file1, const MonitoredFile& file2) {
    // Listing 1's header has been read before any of its sections.
    if (!listing1HeaderKnown_) {
        model_.listing1 = headerOf(run_.paths.listing1Path, *run_.listing1);
        addWarnings(model_);
        listing1HeaderKnown_ = true;
    }
    const std::size_t index = indexOf_.at(&file2);
    FileSummary& summary = model_.files[index];
    const bool compared = file2.comparable != 0 && file1 != nullptr;
    // The partner the file is aligned with: korvcmp's, or the removed section
    // it was moved from.
    const MonitoredFile* partner = file1;
    if (file1 == nullptr) {
        if (const auto moved = movedFrom_.find(&file2); moved != movedFrom_.end()) {
            const RemovedSection& removed = run_.removedSections[moved->second];
            partner = removed.section;
            summary.movedFrom = monitoredPath(removed.monitoredLine);
        }
    }
    summary.edited = !compared && file1 != nullptr;
    const bool aligned = partner != nullptr && !compared;
    // Only an edited or moved file's page and lost items need its lines.
    const SectionAlignment alignment =
        alignSections(partner, &file2, isFunctionCoverage(file2.modeLine, listing2View_), aligned);
    summarise(summary, partner, file2, alignment);
    if (compared && file2.lostHits > 0) {
        keepLostItems(index, summary, *file1, file2);
    } else if (aligned && alignment.changes.lost > 0) {
        keepAlignedLostItems(index, summary, alignment);
    }
    if (directory_ != nullptr) {
        writePage(summary, file2, compared ? file1 : nullptr, aligned ? &alignment : nullptr);
    }
}

void ReportCollector::addRemovedFiles() {
    const std::vector<RemovedSection>& removedSections = run_.removedSections;
    for (std::size_t r = 0; r < removedSections.size(); ++r) {
        if (r < removedMoved_.size() && removedMoved_[r]) {
            continue;  // listed once, as the file it was moved to
        }
        const RemovedSection& removed = removedSections[r];
        FileSummary& summary = model_.files.emplace_back();
        summary.path = monitoredPath(removed.monitoredLine);
        summary.status = FileStatus::Removed;
        summary.reason = "only in listing 1";
        summary.ter1 = parseTerFigures(removed.terLine);
        if (removed.section != nullptr) {
            summary.changes = alignSections(removed.section, nullptr, false, false).changes;
        } else if (run_.readRemovedSectionsWhole) {
            model_.warnings.push_back("listing 1's section of " + summary.path +
                                      " cannot be read as a section: it is listed as removed "
                                      "with its TER figures only");
        }
    }
}

void ReportCollector::finish() {
    const RunState& run = run_;
    if (!listing1HeaderKnown_) {
        model_.listing1 = headerOf(run.paths.listing1Path, *run.listing1);
        addWarnings(model_);
        listing1HeaderKnown_ = true;
    }
    addRemovedFiles();
    ReportTotals& totals = model_.totals;
    const ProfileListing& listing2 = *run.listing2;
    totals.ter1 = parseTerFigures(run.listing1->terLine);
    totals.ter2 = parseTerFigures(listing2.terLine);
    totals.change = changeOf(listing2.newHits, listing2.lostHits, listing2.equalHits);
    model_.lostItemCount = listing2.lostHits;
    for (const FileSummary& file : model_.files) {
        switch (file.status) {
            case FileStatus::Compared:
                ++totals.compared;
                break;
            case FileStatus::NotCompared:
                ++totals.notCompared;
                break;
            case FileStatus::Removed:
                ++totals.removed;
                break;
        }
        totals.withLostCoverage += file.lostCoverage() ? 1 : 0;
        totals.changes.add(file.changes);
        if (file.edited || !file.movedFrom.empty()) {
            model_.lostItemCount += file.changes.lost;
        }
    }
    model_.firstLostItems.resize(lostItems_.size());
    for (std::size_t i = lostItems_.size(); i > 0; --i) {
        model_.firstLostItems[i - 1] = lostItems_.top().item;
        lostItems_.pop();
    }
}

}  // namespace korvcmp
