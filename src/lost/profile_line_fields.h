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

#include "listing/listing_model.h"

namespace korvcmp {

inline bool isMarker(char c) {
    return c == kLostMarker || c == kNewMarker;
}

namespace profile_line_detail {

// The bits of byte `index` of a word loaded from memory.
constexpr std::uint64_t byteBits(int index) {
    const int shift = std::endian::native == std::endian::little ? 8 * index : 8 * (7 - index);
    return std::uint64_t{0xFF} << shift;
}

// The high bit of every byte of `word` that is a marker.
inline std::uint64_t markerBytes(std::uint64_t word) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    const auto zeroBytes = [](std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); };
    return zeroBytes(word ^ 0x7676767676767676ULL) | zeroBytes(word ^ 0x5E5E5E5E5E5E5E5EULL);
}
static_assert(kLostMarker == 0x76 && kNewMarker == 0x5E);

inline std::uint64_t wordAt(std::string_view line, std::size_t offset) {
    std::uint64_t word = 0;
    std::memcpy(&word, line.data() + offset, sizeof word);
    return word;
}

}  // namespace profile_line_detail

// The first column before the description, other than 10 and 21, that holds a
// marker; -1 when there is none. Markers stand nowhere else in a compared
// listing, so one elsewhere means the line was damaged or shifted.
inline int strayMarkerColumn(std::string_view line) {
    using namespace profile_line_detail;
    // Columns 0 to 29 as four words, at 0, 8, 16 and 22, tested a word at a
    // time: most lines hold no stray marker, and that is decided without a
    // branch per column.
    static_assert(kTrueMarkerColumn - 8 >= 0 && kTrueMarkerColumn - 8 < 8);
    static_assert(kFalseMarkerColumn - 16 >= 0 && kFalseMarkerColumn - 16 < 8);
    static_assert(kFalseMarkerColumn < 22 && 22 + 8 == kDescriptionColumn);
    const std::uint64_t found =
        markerBytes(wordAt(line, 0)) |
        (markerBytes(wordAt(line, 8)) & ~byteBits(kTrueMarkerColumn - 8)) |
        (markerBytes(wordAt(line, 16)) & ~byteBits(kFalseMarkerColumn - 16)) |
        markerBytes(wordAt(line, 22));
    if (found == 0) {
        return -1;
    }
    for (int column = 0; column < kDescriptionColumn; ++column) {
        if (column != kTrueMarkerColumn && column != kFalseMarkerColumn && isMarker(line[column])) {
            return column;
        }
    }
    return -1;
}

// The source line number: the digits in columns 24 to 29, blanks skipped
// wherever they stand; any other character ends the number.
inline std::int64_t sourceLineOf(std::string_view line) {
    std::int64_t number = 0;
    for (int column = kLineNumberFirst; column <= kLineNumberLast; ++column) {
        const char c = line[column];
        if (c == ' ') {
            continue;
        }
        if (c < '0' || c > '9') {
            break;
        }
        number = number * 10 + (c - '0');
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
