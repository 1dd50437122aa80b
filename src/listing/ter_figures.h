// The figures of a TER line. The report tool writes a coverage figure into
// every TER line ("***TER  73% (  14/  19) of FUNCTION ctl_update()"), and
// korvcmp inserts its difference figures right after the line's first "("
// ("[hits in listing 1 + new - lost]"). Both are read here, and the
// difference figures written, so that korvcmp, korvcmp-lost and
// korvcmp-report read and write them alike.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvcmp {

// The coverage figure of a TER line: a percentage and "( covered/ total)".
struct TerFigures {
    bool present = false;  // false where the line holds no such figure
    std::int64_t percent = 0;
    std::int64_t covered = 0;
    std::int64_t total = 0;
};

// The first "NN% ( c/ t)" group of `terLine`. Blanks may stand anywhere
// between the percentage, '%', '(', the counts, '/' and ')', the numbers
// have any width up to 63 bits, and the difference figures korvcmp inserts
// after the '(' are passed over. Not present when the line (which may be
// null) holds no such group or a number too large to keep.
TerFigures parseTerFigures(std::string_view terLine);
TerFigures parseTerFigures(const char* terLine);

// korvcmp's "[hits in 1 + new - lost]" of a function, file or listing.
struct ChangeFigures {
    std::int64_t hits1 = 0;  // covered items of listing 1 (equal + lost)
    std::int64_t newHits = 0;
    std::int64_t lostHits = 0;
};

// The figures of a record counted as new, lost and equal items.
inline ChangeFigures changeFiguresOf(std::int64_t newHits, std::int64_t lostHits,
                                     std::int64_t equalHits) {
    return ChangeFigures{equalHits + lostHits, newHits, lostHits};
}

// Where the difference figures go: right after the first "(" of the line;
// npos when it has none (they then follow the whole line).
inline std::size_t changeFiguresPlace(std::string_view terLine) {
    return terLine.find('(');
}

// "[h + n - l]" as korvcmp writes it into a TER line.
class ChangeFiguresText {
  public:
    explicit ChangeFiguresText(const ChangeFigures& figures);
    std::string_view view() const { return {text_.data(), size_}; }

  private:
    std::array<char, 3 * 20 + 8> text_{};
    std::size_t size_ = 0;
};

// The difference figures right after the first "(" of a TER line korvcmp
// wrote; none when they are not there in korvcmp's form.
std::optional<ChangeFigures> parseChangeFigures(std::string_view terLine);

}  // namespace korvcmp
