// The small questions the writers ask of the model.
#include "report/report_model.h"

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
    return change.lostHits > 0;
}

const std::string* ListingHeader::field(std::string_view label) const {
    for (const auto& [name, value] : fields) {
        if (name == label) {
            return &value;
        }
    }
    return nullptr;
}

}  // namespace korvcmp
