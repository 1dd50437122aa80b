// The command line of korvcmp-lost:
//   korvcmp-lost [--new] [--format FORMAT] [--limit N] [--] [COMPARED_LISTING | -]
//   korvcmp-lost -h | --version
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lost/finding_formats.h"

namespace korvcmp {

struct LostOptions {
    bool showUsage = false;
    bool showVersion = false;
    bool includeNew = false;
    FindingFormat format = FindingFormat::Gnu;
    // How many findings are written at most; 0 for all, -1 for the format's
    // default (defaultLimitOf).
    std::int64_t limit = -1;
    // The compared listing; none (or "-" on the command line) for standard input.
    const char* listingPath = nullptr;
};

struct LostCommandLine {
    LostOptions options;
    std::string error;  // empty when the command line is good
};

// Reads the arguments after the program name.
LostCommandLine parseLostCommandLine(int argumentCount, const char* const* arguments);

// The text of -h, ending in a newline.
extern const std::string_view kLostUsage;

}  // namespace korvcmp
