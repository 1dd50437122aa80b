// File pairing and the structure test.
#include "compare/file_pairing.h"

#include <cstring>

namespace korvcmp {
namespace {

bool sameText(const ListingLine* line1, const ListingLine* line2) {
    return line1->view() == line2->view();
}

bool sameLineList(const ListingLine* line1, const ListingLine* line2) {
    for (; line1 != nullptr && line2 != nullptr; line1 = line1->next(), line2 = line2->next()) {
        if (!sameText(line1, line2)) {
            return false;
        }
    }
    return line1 == nullptr && line2 == nullptr;
}

bool sameDirective(const ListingLine* directive1, const ListingLine* directive2) {
    if (directive1 == nullptr || directive2 == nullptr) {
        return directive1 == directive2;
    }
    return sameText(directive1, directive2);
}

// The structure test's comparison of two lines, but for the source line
// number; inline, as korvcmp's structure test runs it on every line.
inline bool constructsAgree(const ListingLine& line1, const ListingLine& line2) {
    if (line1.kind != line2.kind || line1.compareEnd != line2.compareEnd) {
        return false;
    }
    const int compareEnd = line2.compareEnd;
    if (compareEnd < kDescriptionColumn) {
        return true;
    }
    const char* text1 = line1.text() + kDescriptionColumn;
    const char* text2 = line2.text() + kDescriptionColumn;
    const std::size_t count = static_cast<std::size_t>(compareEnd) - kDescriptionColumn + 1;
    if (std::memcmp(text1, text2, count) == 0) {
        return true;
    }
    if (line2.lineKind() != LK_MCDC) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (text1[i] != text2[i] && text2[i] != '+' && text2[i] != '-') {
            return false;
        }
    }
    return true;
}

}  // namespace

bool sameConstruct(const ListingLine& line1, const ListingLine& line2) {
    return constructsAgree(line1, line2);
}

namespace {

// Two profile lines agree in kind, source line number, compare end and the
// description text up to the compare end.
bool sameProfileLine(const ListingLine& line1, const ListingLine& line2) {
    return line1.lineNumber == line2.lineNumber && constructsAgree(line1, line2);
}

bool sameFunction(const FunctionBlock& function1, const FunctionBlock& function2) {
    if (!sameDirective(function1.lineDirective, function2.lineDirective)) {
        return false;
    }
    const ListingLine* line1 = function1.firstLine;
    const ListingLine* line2 = function2.firstLine;
    for (; line1 != nullptr && line2 != nullptr; line1 = line1->next(), line2 = line2->next()) {
        if (!sameProfileLine(*line1, *line2)) {
            return false;
        }
    }
    return line1 == nullptr && line2 == nullptr;
}

}  // namespace

bool sameProfile(const MonitoredFile& file1, const MonitoredFile& file2) {
    if (!sameLineList(file1.firstInclude, file2.firstInclude)) {
        return false;
    }
    const FunctionBlock* function1 = file1.firstFunction;
    const FunctionBlock* function2 = file2.firstFunction;
    for (; function1 != nullptr && function2 != nullptr;
         function1 = function1->next, function2 = function2->next) {
        if (!sameFunction(*function1, *function2)) {
            return false;
        }
    }
    return function1 == nullptr && function2 == nullptr;
}

void pairFile(const MonitoredFile* file1, MonitoredFile& file2) {
    if (file1 == nullptr) {
        file2.comparable = 0;
        file2.reason = kReasonNoFile;
    } else if (sameProfile(*file1, file2)) {
        file2.comparable = 1;
    } else {
        file2.comparable = 0;
        file2.reason = kReasonDifferentProfile;
    }
}

}  // namespace korvcmp
