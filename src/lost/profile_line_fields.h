// The markers of a profile line in a compared listing, in columns 10 and 21,
// as korvcmp-lost looks for them on every line. The source line number and
// the description are read by the classifier's functions
// (listing/profile_line_classifier.h). Every function here expects a line of
// at least 31 characters, the shortest profile line.
#pragma once

#include <bit>
#include <cstdint>
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

// The columns of the count fields, 0 to 9 and 11 to 20: a marker stands
// right after a field, never inside one. The columns between the FALSE
// marker and the description (the coverage flag, column 23, the source line
// number) may hold any character in a listing korvcmp compares, a 'v' or '^'
// too, and are not looked at.
inline constexpr std::uint32_t kCountFieldBits =
    ((std::uint32_t{1} << kFalseMarkerColumn) - 1) & ~(std::uint32_t{1} << kTrueMarkerColumn);

// The first column of a count field that holds a marker; -1 when there is
// none. Such a marker means the line was damaged or shifted.
inline int strayMarkerColumn(std::string_view line) {
    const std::uint32_t stray = markerColumns(line) & kCountFieldBits;
    return stray == 0 ? -1 : std::countr_zero(stray);
}

}  // namespace korvcmp
