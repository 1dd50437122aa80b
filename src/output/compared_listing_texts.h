// The fixed texts of a compared listing that korvcmp adds to listing 2's
// layout: the banner, the labels of the inputs, the note on a file section
// that was not compared, and the rules. korvcmp's writer writes them and
// korvcmp-lost's scanner recognises lines by them; each is one line without
// its newline. The texts both listings share are in listing/listing_texts.h.
#pragma once

#include <array>
#include <string_view>

namespace korvcmp {

inline constexpr std::string_view kComparedStarsLine =
    "*****************************************************************************";
// Between the stars lines; the third names korvcmp and its listing format.
inline constexpr std::array<std::string_view, 5> kComparedBannerLines = {
    "*           Korvo, Test Coverage Analyzer for C/C++, Version 8.2+           *",
    "*                                                                           *",
    "*             EXECUTION PROFILE LISTING (COMPARED by korvcmp v1.0)          *",
    "*                                                                           *",
    "*   Marks after hit counts: ^ new coverage, v lost coverage, blank equal    *",
};
inline constexpr std::string_view kComparedTitleLine = kComparedBannerLines[2];
// The title line up to the format's version, which a later korvcmp may raise.
inline constexpr std::string_view kComparedTitleStart =
    kComparedTitleLine.substr(0, kComparedTitleLine.find(" v") + 2);

inline constexpr std::string_view kInputProfile1Label = "Input profile 1       : ";
inline constexpr std::string_view kInputProfile2Label = "Input profile 2       : ";

// A MONITORED line of a file section not compared ends in
// " (NO COMPARE, REASON)".
inline constexpr std::string_view kNoCompareOpening = " (NO COMPARE, ";
inline constexpr std::string_view kNoCompareClosing = ")";

// Under the column heading of each file section.
inline constexpr std::string_view kComparedEqualsRule =
    "=============================================================================";
// After the TER lines of each function and each file section.
inline constexpr std::string_view kComparedHyphenRule =
    "-----------------------------------------------------------------------------";

}  // namespace korvcmp
