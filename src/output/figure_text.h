// The figures a report shows a person, in one form for every output that
// is read by people (the HTML pages, the Markdown summary): counts with their
// thousands grouped ("159,336"), percentages with one decimal ("64.4%") and
// changes in percentage points with a sign ("+5.3", "−2.0"). Machine-read
// outputs (JSON, the compared listing) keep plain numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvcmp {

// A figure as text, held by value: short enough never to need the heap.
class FigureText {
  public:
    std::string_view view() const { return {chars_, size_}; }
    operator std::string_view() const { return view(); }

    void append(std::string_view text);
    void append(char c) { append(std::string_view(&c, 1)); }

  private:
    char chars_[40] = {};
    std::size_t size_ = 0;
};

// "159,336", "-1,024", "0".
FigureText groupedCount(std::int64_t value);

// The share of `covered` in `total` in tenths of a percent, rounded half up:
// 96 of 149 is 644. `total` must be above 0.
std::int64_t percentTenths(std::int64_t covered, std::int64_t total);

// "64.4%" from tenths of a percent.
FigureText percentText(std::int64_t tenths);

// The change from `tenths1` to `tenths2` in percentage points: "+5.3",
// "−2.0" (with the minus sign U+2212), "0.0".
FigureText pointsText(std::int64_t tenths1, std::int64_t tenths2);

}  // namespace korvcmp
