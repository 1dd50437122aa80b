// The small questions the writers ask of the model.
#include "report/report_model.h"

#include <numeric>

#include "output/figure_text.h"

namespace korvcmp {

std::string_view fileStatusName(FileStatus status) {
    switch (status) {
        case FileStatus::Compared:
            return "compared";
        case FileStatus::NotCompared:
            return "not compared";
        case FileStatus::Removed:
            return "removed";
    }
    return "compared";
}

bool FileSummary::lostCoverage() const {
    if (status == FileStatus::Removed) {
        return ter1.present && ter1.covered > 0;
    }
    return lostItems() > 0;
}

std::int64_t lostInAlignedFiles(const ReportModel& model) {
    std::int64_t lost = 0;
    for (const FileSummary& file : model.files) {
        lost += file.aligned() ? file.changes.lost : 0;
    }
    return lost;
}

TerFigures changedCodeCoverage(const ChangeCategories& changes) {
    TerFigures figures;
    figures.present = true;
    figures.covered = changes.addedCovered;
    figures.total = changes.addedCovered + changes.addedUncovered;
    figures.percent = figures.total > 0 ? figures.covered * 100 / figures.total : 100;
    return figures;
}

bool changedCodeCoverageBelow(const ChangeCategories& changes, double percent) {
    const TerFigures added = changedCodeCoverage(changes);
    return static_cast<double>(added.covered) * 100.0 <
           percent * static_cast<double>(added.total > 0 ? added.total : added.covered);
}

const std::string* ListingHeader::field(std::string_view label) const {
    for (const auto& [name, value] : fields) {
        if (name == label) {
            return &value;
        }
    }
    return nullptr;
}

std::int64_t coverageTenths(const TerFigures& figures) {
    return figures.total > 0 && figures.covered >= 0 ? percentTenths(figures.covered, figures.total)
                                                     : figures.percent * 10;
}

std::int64_t newOfFilesNotCompared(const ReportModel& model) {
    return std::accumulate(
        model.files.begin(), model.files.end(), std::int64_t{0},
        [](std::int64_t sum, const FileSummary& file) {
            return file.status == FileStatus::NotCompared ? sum + file.change.newHits : sum;
        });
}

}  // namespace korvcmp
