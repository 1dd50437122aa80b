// Reading a TER line's coverage figure and korvcmp's difference figures, and
// writing the latter.
#include "listing/ter_figures.h"

#include <charconv>
#include <system_error>
#include <utility>

namespace korvcmp {
namespace {

constexpr std::string_view kOpening = "[";
constexpr std::string_view kPlus = " + ";
constexpr std::string_view kMinus = " - ";
constexpr std::string_view kClosing = "]";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads what a TER line holds from a position on, skipping blanks between
// the parts of a figure.
class TerReader {
  public:
    TerReader(std::string_view line, std::size_t at) : line_(line), at_(at) {}

    void skipBlanks() {
        while (at_ < line_.size() && line_[at_] == ' ') {
            ++at_;
        }
    }
    // The character `c`, after blanks.
    bool take(char c) {
        skipBlanks();
        if (at_ < line_.size() && line_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    // A number of digits, after blanks; false when there is none or it does
    // not fit.
    bool takeNumber(std::int64_t& number) {
        skipBlanks();
        if (at_ >= line_.size() || !isDigit(line_[at_])) {
            return false;
        }
        number = 0;
        for (; at_ < line_.size() && isDigit(line_[at_]); ++at_) {
            const int digit = line_[at_] - '0';
            if (number > (INT64_MAX - digit) / 10) {
                return false;
            }
            number = number * 10 + digit;
        }
        return true;
    }
    // korvcmp's "[...]", when it stands here.
    void skipChangeFigures() {
        skipBlanks();
        if (at_ < line_.size() && line_[at_] == kOpening[0]) {
            const std::size_t closing = line_.find(kClosing[0], at_);
            if (closing != std::string_view::npos) {
                at_ = closing + 1;
            }
        }
    }

  private:
    std::string_view line_;
    std::size_t at_;
};

// The figure whose '%' stands at `percentSign`, if there is one.
std::optional<TerFigures> figuresAt(std::string_view line, std::size_t percentSign) {
    std::size_t digits = percentSign;
    while (digits > 0 && line[digits - 1] == ' ') {
        --digits;
    }
    while (digits > 0 && isDigit(line[digits - 1])) {
        --digits;
    }
    TerFigures found;
    TerReader reader(line, digits);
    if (!reader.takeNumber(found.percent) || !reader.take('%') || !reader.take('(')) {
        return std::nullopt;
    }
    reader.skipChangeFigures();
    if (!reader.takeNumber(found.covered) || !reader.take('/') || !reader.takeNumber(found.total) ||
        !reader.take(')')) {
        return std::nullopt;
    }
    found.present = true;
    return found;
}

}  // namespace

TerFigures parseTerFigures(std::string_view terLine) {
    for (std::size_t percentSign = terLine.find('%'); percentSign != std::string_view::npos;
         percentSign = terLine.find('%', percentSign + 1)) {
        if (const std::optional<TerFigures> found = figuresAt(terLine, percentSign)) {
            return *found;
        }
    }
    return {};
}

TerFigures parseTerFigures(const char* terLine) {
    return terLine == nullptr ? TerFigures{} : parseTerFigures(std::string_view(terLine));
}

ChangeFiguresText::ChangeFiguresText(const ChangeFigures& figures) {
    char* at = text_.data();
    const auto append = [&](std::string_view text) {
        for (const char c : text) {
            *at++ = c;
        }
    };
    const auto number = [&](std::int64_t value) {
        at = std::to_chars(at, text_.data() + text_.size(), value).ptr;
    };
    append(kOpening);
    number(figures.hits1);
    append(kPlus);
    number(figures.newHits);
    append(kMinus);
    number(figures.lostHits);
    append(kClosing);
    size_ = static_cast<std::size_t>(at - text_.data());
}

std::optional<ChangeFigures> parseChangeFigures(std::string_view terLine) {
    const std::size_t place = changeFiguresPlace(terLine);
    if (place == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest = terLine.substr(place + 1);
    ChangeFigures figures;
    const std::array<std::pair<std::string_view, std::int64_t*>, 3> parts = {{
        {kOpening, &figures.hits1},
        {kPlus, &figures.newHits},
        {kMinus, &figures.lostHits},
    }};
    for (const auto& [before, figure] : parts) {
        if (!rest.starts_with(before)) {
            return std::nullopt;
        }
        rest.remove_prefix(before.size());
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), *figure);
        if (error != std::errc()) {
            return std::nullopt;
        }
        rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
    }
    if (!rest.starts_with(kClosing)) {
        return std::nullopt;
    }
    return figures;
}

}  // namespace korvcmp
