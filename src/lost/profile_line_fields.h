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

// The source line number when columns 24 to 29 hold one run of digits
// between blanks (or only blanks), as they do in korvcmp's listings; -1
// otherwise. The eight characters from column 22 are taken as one word, and
// the digits read in three steps.
inline std::int64_t runOfDigitsSourceLineOf(std::string_view line) {
    static_assert(kLineNumberFirst == 24 && kLineNumberLast == 29);
    if constexpr (std::endian::native != std::endian::little) {
        return -1;
    }
    constexpr std::uint64_t kEach = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x80 * kEach;
    constexpr std::uint64_t kLow7 = 0x7F * kEach;
    constexpr std::uint64_t kNumberHighs = kHigh & 0xFFFFFFFFFFFF0000ULL;  // columns 24 to 29
    std::uint64_t word = 0;
    std::memcpy(&word, line.data() + kLineNumberLast - 7, sizeof word);
    // The high bit of each byte that is a digit, and of each that is a blank.
    const std::uint64_t fromZero = word ^ ('0' * kEach);
    const std::uint64_t digit = ~((((fromZero & kLow7) + 0x76 * kEach) | fromZero)) & kNumberHighs;
    const std::uint64_t blank = zeroByteHighBits(word ^ (' ' * kEach)) & kNumberHighs;
    const std::uint64_t digitBytes = (digit >> 7) * 0xFF;
    if ((digit | blank) != kNumberHighs ||
        ((digitBytes + (digitBytes & (0 - digitBytes))) & digitBytes) != 0) {
        return -1;  // another character, or blanks between digits
    }
    if (digitBytes == 0) {
        return 0;
    }
    // The digits moved to the end of the word, zeros before them.
    const int shift = std::countl_zero(digitBytes);
    std::uint64_t value = ((word & digitBytes) << shift) | ('0' * kEach & ~(digitBytes << shift));
    value -= '0' * kEach;
    value = (value * 10 + (value >> 8)) & 0x00FF00FF00FF00FFULL;
    value = (value * 100 + (value >> 16)) & 0x0000FFFF0000FFFFULL;
    value = (value * 10000 + (value >> 32)) & 0xFFFFFFFFULL;
    return static_cast<std::int64_t>(value);
}

// The source line number: the digits in columns 24 to 29, blanks skipped
// wherever they stand; any other character ends the number.
inline std::int64_t sourceLineOf(std::string_view line) {
    if (const std::int64_t number = runOfDigitsSourceLineOf(line); number >= 0) {
        return number;
    }
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
