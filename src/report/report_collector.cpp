// Summaries, lost items and pages, section by section.
#include "report/report_collector.h"

#include <algorithm>
#include <optional>
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

// The removed files' covered items, and why coverage counts as lost.
void stateLostCoverage(ReportModel& model) {
    ReportTotals& totals = model.totals;
    std::vector<std::string>& reasons = model.lostCoverageReasons;
    const auto lostFiles = static_cast<std::int64_t>(
        std::count_if(model.files.begin(), model.files.end(), [](const FileSummary& file) {
            return file.status != FileStatus::Removed && file.lostCoverage();
        }));
    std::size_t removedCoveredFiles = 0;
    if (totals.change.lostHits > 0) {
        reasons.push_back(counted(totals.change.lostHits, "item", "items") + " lost in " +
                          counted(lostFiles, "compared file", "compared files"));
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

void ReportCollector::summarise(FileSummary& summary, const MonitoredFile* file1,
                                const MonitoredFile& file2) {
    const bool compared = file2.comparable != 0;
    summary.status = compared ? FileStatus::Compared : FileStatus::NotCompared;
    summary.reason = compared || file2.reason == nullptr ? "" : file2.reason;
    summary.functionCoverage = isFunctionCoverage(file2.modeLine, listing2View_);
    summary.ter1 = file1 != nullptr ? parseTerFigures(file1->terLine) : TerFigures{};
    summary.ter2 = parseTerFigures(file2.terLine);
    summary.change = changeFiguresOf(file2.newHits, file2.lostHits, file2.equalHits);
    const FunctionBlock* function1 = compared && file1 != nullptr ? file1->firstFunction : nullptr;
    for (const FunctionBlock* function2 = file2.firstFunction; function2 != nullptr;
         function2 = function2->next) {
        FunctionSummary& function = summary.functions.emplace_back();
        if (function2->firstLine != nullptr) {
            function.name = functionName(*function2->firstLine);
            function.line = function2->firstLine->lineNumber;
        }
        if (!summary.functionCoverage) {
            function.ter1 =
                function1 != nullptr ? parseTerFigures(function1->terLine) : TerFigures{};
            function.ter2 = parseTerFigures(function2->terLine);
        }
        function.change =
            changeFiguresOf(function2->newHits, function2->lostHits, function2->equalHits);
        if (function1 != nullptr) {
            function1 = function1->next;
        }
    }
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
                ++number;
                const bool full = lostItems_.size() == ReportModel::kKeptLostItems;
                if (full && !LaterPlace()(PlacedLostItem{index, number, {}}, lostItems_.top())) {
                    return;  // every later item of this file comes later still
                }
                const MarkedCount counted = markedCountOf(line2->view(), line2->lineKind(), column);
                LostItem item;
                item.file = summary.path;
                if (function2->lineDirective != nullptr) {
                    // The function's lines are lines of the file it names.
                    readLineDirectiveFile(function2->lineDirective->view(), item.file);
                    item.file = item.file.empty() ? summary.path : item.file;
                }
                item.line = line2->lineNumber;
                item.function = function2->firstLine != nullptr
                                    ? functionName(*function2->firstLine)
                                    : std::string();
                item.countName = counted.name;
                item.count1 = countTextOf(line1->view(), counted.field);
                item.description = descriptionOf(line2->view());
                if (full) {
                    lostItems_.pop();
                }
                lostItems_.push(PlacedLostItem{index, number, std::move(item)});
            }
        }
    }
}

void ReportCollector::writePage(const FileSummary& summary, const MonitoredFile& file2,
                                const MonitoredFile* file1) {
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
    writeFilePage(files, model_, summary, file2, file1, listing2View_);
}

void ReportCollector::listing1Read(const ProfileListing& listing1,
                                   const std::vector<RemovedSection>& removed) {
    model_.listing1 = headerOf(std::move(model_.listing1.path), listing1);
    addWarnings(model_);
    model_.totals.ter1 = parseTerFigures(listing1.terLine);
    // Listing 2's sections have their places already: the removed ones follow.
    for (const RemovedSection& section : removed) {
        FileSummary& summary = model_.files.emplace_back();
        summary.path = monitoredPath(section.monitoredLine);
        summary.status = FileStatus::Removed;
        summary.reason = "only in listing 1";
        summary.ter1 = parseTerFigures(section.terLine);
    }
}

void ReportCollector::sectionCompared(const MonitoredFile* file1, const MonitoredFile& file2) {
    const std::size_t index = indexOf_.at(&file2);
    FileSummary& summary = model_.files[index];
    summarise(summary, file1, file2);
    const bool compared = summary.status == FileStatus::Compared && file1 != nullptr;
    if (compared && file2.lostHits > 0) {
        keepLostItems(index, summary, *file1, file2);
    }
    if (findings_ != nullptr && compared) {
        findings_->comparedSection(summary.path, file2);
    }
    if (directory_ != nullptr) {
        writePage(summary, file2, compared ? file1 : nullptr);
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
    }
    stateLostCoverage(model_);
    model_.lostItemCount = listing2.lostHits;
    model_.firstLostItems.resize(lostItems_.size());
    for (std::size_t i = lostItems_.size(); i > 0; --i) {
        model_.firstLostItems[i - 1] = lostItems_.top().item;
        lostItems_.pop();
    }
}

}  // namespace korvcmp
