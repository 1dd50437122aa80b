// Reading the figures of TER lines, and the small questions the writers ask
// of the model.
#include "report/report_model.h"

#include <cstring>

namespace korvcmp {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

void skipBlanks(const char*& at) {
    while (*at == ' ') {
        ++at;
    }
}

// Reads the digits at `at` as a number; false when there are none.
bool readNumber(const char*& at, std::int64_t& number) {
    constexpr std::int64_t kLargestBeforeDigit = (INT64_MAX - 9) / 10;
    if (!isDigit(*at)) {
        return false;
    }
    number = 0;
    while (isDigit(*at)) {
        if (number > kLargestBeforeDigit) {
            return false;
        }
        number = number * 10 + (*at - '0');
        ++at;
    }
    return true;
}

}  // namespace

TerFigures parseTerFigures(const char* terLine) {
    TerFigures figures;
    if (terLine == nullptr) {
        return figures;
    }
    // "***TER  73% (  14/  19) of ...", "TER                :  64% (  96/ 149) ...":
    // the first "NN%" that a "( covered/ total)" group follows.
    for (const char* percentSign = std::strchr(terLine, '%'); percentSign != nullptr;
         percentSign = std::strchr(percentSign + 1, '%')) {
        const char* digits = percentSign;
        while (digits > terLine && isDigit(digits[-1])) {
            --digits;
        }
        const char* at = digits;
        TerFigures found;
        if (!readNumber(at, found.percent) || at != percentSign) {
            continue;
        }
        ++at;
        skipBlanks(at);
        if (*at != '(') {
            continue;
        }
        ++at;
        skipBlanks(at);
        if (!readNumber(at, found.covered) || *at != '/') {
            continue;
        }
        ++at;
        skipBlanks(at);
        if (!readNumber(at, found.total) || *at != ')') {
            continue;
        }
        found.present = true;
        return found;
    }
    return figures;
}

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

const std::string* ListingHeader::field(std::string_view label) const {
    for (const auto& [name, value] : fields) {
        if (name == label) {
            return &value;
        }
    }
    return nullptr;
}

}  // namespace korvcmp
