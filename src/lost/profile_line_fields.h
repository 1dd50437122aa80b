// The fields of a profile line in a compared listing that korvcmp-lost reads:
// the markers in columns 10 and 21, the source line number in columns 24 to
// 29 and the description from column 30. Every function here expects a line
// of at least 31 characters, the shortest profile line.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/byte_masks.h"
#include "listing/listing_model.h"

namespace korvcmp {

inline bool isMarker(char c) {
    return c == kLostMarker || c == kNewMarker;
}

// The columns before the description (0 to 29) that hold a marker, as a
// mask: bit c is set when column c holds `v` or `^`. Two looks at sixteen
// characters, at columns 0 and 14, decide it without a branch per column.
inline std::uint32_t markerColumns(std::string_view line) {
    static_assert(kDescriptionColumn == 30 && kLostMarker == 'v' && kNewMarker == '^');
    return matchMask16(line.data(), kLostMarker, kNewMarker) |
           matchMask16(line.data() + 14, kLostMarker, kNewMarker) << 14;
}

// The columns where markers belong: 10 and 21.
inline constexpr std::uint32_t kMarkerColumnBits =
    (std::uint32_t{1} << kTrueMarkerColumn) | (std::uint32_t{1} << kFalseMarkerColumn);

// The first column before the description, other than 10 and 21, that holds a
// marker; -1 when there is none. Markers stand nowhere else in a compared
// listing, so one elsewhere means the line was damaged or shifted.
inline int strayMarkerColumn(std::string_view line) {
    const std::uint32_t stray = markerColumns(line) & ~kMarkerColumnBits;
    return stray == 0 ? -1 : std::countr_zero(stray);
}

// The source line number: the digits in columns 24 to 29, blanks skipped
// wherever they stand; any other character ends the number.
inline std::int64_t sourceLineOf(std::string_view line) {
    // Without a branch per column: the number of digits and blanks varies
    // from line to line, and a guess at it would often be wrong.
    std::int64_t number = 0;
    bool ended = false;
    for (int column = kLineNumberFirst; column <= kLineNumberLast; ++column) {
        const char c = line[column];
        const auto digit = static_cast<unsigned>(c - '0');
        const bool isDigit = digit < 10;
        ended = ended || (!isDigit && c != ' ');
        number = isDigit && !ended ? number * 10 + digit : number;
    }
    return number;
}

// The description: the text from column 30 on, after the blanks that begin it.
inline std::string_view descriptionOf(std::string_view line) {
    line.remove_prefix(kDescriptionColumn);
    while (!line.empty() && line.front() == ' ') {
        line.remove_prefix(1);
    }
    return line;
}

}  // namespace korvcmp
