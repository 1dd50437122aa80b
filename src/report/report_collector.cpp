// Summaries, lost items and pages, section by section.
#include "report/report_collector.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "base/fatal.h"
#include "listing/listing_fields.h"
#include "listing/listing_parser.h"
#include "listing/listing_texts.h"
#include "listing/profile_line_classifier.h"
#include "listing/ter_figures.h"
#include "pipeline/program_frame.h"
#include "report/html_pages.h"

namespace korvcmp {
namespace {

constexpr std::size_t kPageNameChars = 60;

// The name of a FUNCTION line: its description after "FUNCTION ".
std::string functionName(const ListingLine& functionLine) {
    return std::string(functionNameOf(functionLine.view()));
}

// The header's "Label : value" lines as the model keeps them, for the
// listing at `path`.
ListingHeader headerOf(std::string path, const ProfileListing& listing) {
    ListingHeader header;
    header.path = std::move(path);
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

std::string counted(std::int64_t count, std::string_view one, std::string_view more) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : more);
}

// The items lost in edited and moved files: korvcmp does not compare them.
std::int64_t alignedLostItems(const ReportModel& model) {
    std::int64_t lost = 0;
    for (const FileSummary& file : model.files) {
        lost += file.edited || !file.movedFrom.empty() ? file.changes.lost : 0;
    }
    return lost;
}

// The removed files' covered items, and why coverage counts as lost.
void stateLostCoverage(ReportModel& model) {
    ReportTotals& totals = model.totals;
    std::vector<std::string>& reasons = model.lostCoverageReasons;
    const auto lostFiles = static_cast<std::int64_t>(
        std::count_if(model.files.begin(), model.files.end(), [](const FileSummary& file) {
            return file.status == FileStatus::Compared && file.lostCoverage();
        }));
    const auto alignedLostFiles = static_cast<std::int64_t>(
        std::count_if(model.files.begin(), model.files.end(), [](const FileSummary& file) {
            return file.status == FileStatus::NotCompared && file.lostCoverage();
        }));
    std::size_t removedCoveredFiles = 0;
    if (totals.change.lostHits > 0) {
        reasons.push_back(counted(totals.change.lostHits, "item", "items") + " lost in " +
                          counted(lostFiles, "compared file", "compared files"));
    }
    if (const std::int64_t alignedLost = alignedLostItems(model); alignedLost > 0) {
        reasons.push_back(
            counted(alignedLost, "item", "items") + " lost in " +
            counted(alignedLostFiles, "edited or moved file", "edited or moved files"));
    }
    for (const FileSummary& file : model.files) {
        if (file.status != FileStatus::Removed || !file.lostCoverage()) {
            continue;
        }
        totals.removedCovered += file.ter1.covered;
        if (++removedCoveredFiles <= ReportModel::kStatedRemovedFiles) {
            reasons.push_back(file.path + " was removed; listing 1 covered " +
                              std::to_string(file.ter1.covered) + " of its items");
        }
    }
    if (removedCoveredFiles > ReportModel::kStatedRemovedFiles) {
        const auto more =
            static_cast<std::int64_t>(removedCoveredFiles - ReportModel::kStatedRemovedFiles);
        reasons.push_back(counted(more, "more removed file", "more removed files") +
                          " that listing 1 covered");
    }
}

void addWarnings(ReportModel& model) {
    const ListingHeader& one = model.listing1;
    const ListingHeader& two = model.listing2;
    if (one.coverageView != two.coverageView) {
        model.warnings.push_back("the coverage views differ: listing 1 has \"" + one.coverageView +
                                 "\", listing 2 \"" + two.coverageView + "\"");
    }
    const std::optional<ProductionTime> time1 = parseAsctime(one.producedAt);
    const std::optional<ProductionTime> time2 = parseAsctime(two.producedAt);
    if (time1 && time2 && *time1 > *time2) {
        model.warnings.push_back("listing 1 was produced after listing 2 (" + one.producedAt +
                                 ", " + two.producedAt + "): are the inputs swapped?");
    }
}

}  // namespace

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

ReportCollector::ReportCollector(ReportModel& model, const ReportDirectory* directory)
    : model_(model), directory_(directory) {}

void ReportCollector::listing2Read(const ProfileListing& listing2) {
    listing2_ = &listing2;
    listing2View_ = listing2.coverageView;
    model_.listing2 = headerOf(std::move(model_.listing2.path), listing2);
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

// Every pair of a section only listing 2 has and a removed section in which
// at least half of the functions of each have their FUNCTION line in the
// other; the best matches are paired first. `moved` marks the removed
// sections paired.
void ReportCollector::pairMovedFiles(const std::vector<RemovedSection>& removed,
                                     std::vector<bool>& moved) {
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
    for (const MonitoredFile* file2 = listing2_->firstFile; file2 != nullptr;
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
        if (moved[candidate.removed] || movedFrom_.contains(candidate.file2)) {
            continue;
        }
        moved[candidate.removed] = true;
        const RemovedSection& from = removed[candidate.removed];
        movedFrom_.emplace(candidate.file2,
                           MovedFrom{from.section, std::string(monitoredPath(from.monitoredLine))});
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
    summary.change = changeFiguresOf(file2.newHits, file2.lostHits, file2.equalHits);
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
                changeFiguresOf(function2->newHits, function2->lostHits, function2->equalHits);
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
    const MarkedCount counted = markedCountOf(line2.view(), line2.lineKind(), column);
    LostItem item;
    item.file = summary.path;
    if (function2.lineDirective != nullptr) {
        // The function's lines are lines of the file it names.
        readLineDirectiveFile(function2.lineDirective->view(), item.file);
        item.file = item.file.empty() ? summary.path : item.file;
    }
    item.line = line2.lineNumber;
    item.function =
        function2.firstLine != nullptr ? functionName(*function2.firstLine) : std::string();
    item.countName = counted.name;
    item.count1 = countTextOf(line1.view(), counted.field);
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
    // Each page of the section in turn, through the one stream.
    struct PageFiles : FilePageFiles {
        PageFiles(OutputStream& stream, const ReportDirectory& into)
            : out(stream), directory(into) {}
        OutputStream& open(const std::string& page) override {
            path = directory.filePath(page);
            if (!out.createFile(path.c_str(), LineEnds::asWritten)) {
                fatal(withReason("Cannot create " + quoted(path), out.failure()));
            }
            return out;
        }
        void close(OutputStream&) override {
            if (!out.close()) {
                fatal(withReason("Cannot write " + quoted(path), out.failure()));
            }
        }
        OutputStream& out;
        const ReportDirectory& directory;
        std::string path;
    } files(page_, *directory_);
    writeFilePage(files, model_, summary, file2, file1, listing2View_, alignment);
}

void ReportCollector::listing1Read(const ProfileListing& listing1,
                                   const std::vector<RemovedSection>& removed) {
    model_.listing1 = headerOf(std::move(model_.listing1.path), listing1);
    addWarnings(model_);
    model_.totals.ter1 = parseTerFigures(listing1.terLine);
    std::vector<bool> moved(removed.size(), false);
    if (listing2_ != nullptr) {
        pairMovedFiles(removed, moved);
    }
    // Listing 2's sections have their places already: the removed ones
    // follow, but for those listed as the files they were moved to.
    for (std::size_t r = 0; r < removed.size(); ++r) {
        if (moved[r]) {
            continue;
        }
        const RemovedSection& section = removed[r];
        FileSummary& summary = model_.files.emplace_back();
        summary.path = monitoredPath(section.monitoredLine);
        summary.status = FileStatus::Removed;
        summary.reason = "only in listing 1";
        summary.ter1 = parseTerFigures(section.terLine);
        if (section.section != nullptr) {
            summary.changes = alignSections(section.section, nullptr, false, false).changes;
        } else {
            model_.warnings.push_back("listing 1's section of " + summary.path +
                                      " cannot be read as a section: it is listed as removed "
                                      "with its TER figures only");
        }
    }
}

void ReportCollector::sectionCompared(const MonitoredFile* file1, const MonitoredFile& file2) {
    const std::size_t index = indexOf_.at(&file2);
    FileSummary& summary = model_.files[index];
    const bool compared = file2.comparable != 0 && file1 != nullptr;
    // The partner the file is aligned with: korvcmp's, or the removed section
    // it was moved from.
    const MonitoredFile* partner = file1;
    if (file1 == nullptr) {
        if (const auto moved = movedFrom_.find(&file2); moved != movedFrom_.end()) {
            partner = moved->second.section;
            summary.movedFrom = moved->second.path;
        }
    }
    summary.edited = !compared && file1 != nullptr;
    const bool aligned = partner != nullptr && !compared;
    // Only an edited or moved file's page and lost items need its lines, and
    // the findings those of a new file: its uncovered items.
    const bool findings = findings_ != nullptr && findings_->wanted();
    const SectionAlignment alignment =
        alignSections(partner, &file2, isFunctionCoverage(file2.modeLine, listing2View_),
                      aligned || (findings && !compared));
    summarise(summary, partner, file2, alignment);
    if (compared && file2.lostHits > 0) {
        keepLostItems(index, summary, *file1, file2);
    } else if (aligned && alignment.changes.lost > 0) {
        keepAlignedLostItems(index, summary, alignment);
    }
    if (findings && compared) {
        findings_->comparedSection(summary.path, file2);
    } else if (findings) {
        findings_->section(summary.path, alignment);
    }
    if (directory_ != nullptr) {
        writePage(summary, file2, compared ? file1 : nullptr, aligned ? &alignment : nullptr);
    }
}

void ReportCollector::finish() {
    if (listing2_ == nullptr) {
        return;  // the comparison did not get that far
    }
    ReportTotals& totals = model_.totals;
    const ProfileListing& listing2 = *listing2_;
    totals.ter2 = parseTerFigures(listing2.terLine);
    totals.change = changeFiguresOf(listing2.newHits, listing2.lostHits, listing2.equalHits);
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
    }
    stateLostCoverage(model_);
    model_.lostItemCount = listing2.lostHits + alignedLostItems(model_);
    model_.firstLostItems.resize(lostItems_.size());
    for (std::size_t i = lostItems_.size(); i > 0; --i) {
        model_.firstLostItems[i - 1] = lostItems_.top().item;
        lostItems_.pop();
    }
}

}  // namespace korvcmp
