// The command line of korvcmp-report:
//   korvcmp-report -i1 LISTING1 -i2 LISTING2 [--html DIR] [--markdown FILE|-]
//                  [--markdown-limit BYTES] [--json FILE|-] [--sarif FILE]
//                  [--codequality FILE] [--title TEXT] [--fail-on-lost]
//                  [--fail-under-added PCT]
//   korvcmp-report -h | --help | --version
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "report/summary_writers.h"

namespace korvcmp {

struct ReportOptions {
    bool showUsage = false;
    bool showVersion = false;
    const char* listing1Path = nullptr;
    const char* listing2Path = nullptr;
    const char* htmlDirectory = nullptr;         // none: no HTML report
    const char* markdownPath = nullptr;          // none: no Markdown; "-": standard output
    std::size_t markdownLimit = kMarkdownLimit;  // bytes
    const char* jsonPath = nullptr;              // likewise
    const char* sarifPath = nullptr;             // none: no SARIF log
    const char* codeQualityPath = nullptr;       // none: no Code Quality report
    std::string title;
    bool failOnLost = false;
    // --fail-under-added: the least changed-code coverage, in percent; below
    // 0 when not given.
    double failUnderAdded = -1;
};

struct ReportCommandLine {
    ReportOptions options;
    std::string error;  // empty when the command line is good
};

// Reads the arguments after the program name.
ReportCommandLine parseReportCommandLine(int argumentCount, const char* const* arguments);

// The text of -h, ending in a newline.
extern const std::string_view kReportUsage;

}  // namespace korvcmp
