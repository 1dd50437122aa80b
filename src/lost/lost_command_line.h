// The command line of korvcmp-lost:
//   korvcmp-lost [--new] [--format gnu|github|json] [COMPARED_LISTING | -]
//   korvcmp-lost -h
#pragma once

#include <string>
#include <string_view>

#include "lost/finding_formats.h"

namespace korvcmp {

struct LostOptions {
    bool showUsage = false;
    bool includeNew = false;
    FindingFormat format = FindingFormat::Gnu;
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
