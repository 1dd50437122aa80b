// Builds execution profile listings for tests from a compact description:
// a header, file sections with their function sections, and a summary. The
// defaults give a well-formed listing; tests change the parts they are about.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvcmp::testing {

// A profile line in the listing's column layout: the HITS/TRUE count
// right-aligned to column 9, the FALSE count right-aligned to column 20, the
// coverage flag in column 22, the line number right-aligned in columns 24 to
// 29 and the description from column 30. Columns 10, 21 and 23 stay blank.
// An empty count or line number leaves its columns blank.
std::string profileLine(std::string_view trueCount, std::string_view falseCount, char flag,
                        std::string_view lineNumber, std::string_view description);

// "#line " directive as a listing shows it: the text from column 30.
std::string lineDirective(std::string_view text);

struct HeaderLayout {
    std::string banner = "*           Korvo, Test Coverage Analyzer for C/C++, Version 8.2.1";
    std::string title =
        "*                         EXECUTION PROFILE LISTING                         *";
    // Text after the capture labels; none leaves the line out.
    std::optional<std::string> producedAt = "Wed Mar  5 16:48:02 2025";
    std::optional<std::string> coverageView = "Decision+Condition coverage";
    // Lines after the two captures, before the first file section.
    std::vector<std::string> extraLines;
};

struct FunctionLayout {
    std::optional<std::string> lineDirective;  // the whole "#line " line before the section
    std::vector<std::string> lines;            // the profile lines, FUNCTION line first
    // False renders a function-only section: the profile lines alone.
    bool withTer = true;
    std::string terLine = "***TER 100% (   1/   1) of FUNCTION f()";
    std::string terLine2 = "       100% (   1/   1) statement blocks";
    std::size_t ruleLength = 77;
};

struct FileLayout {
    std::string name = "src/a.c";  // after "MONITORED SOURCE FILE : "
    std::string mode = "MC/DC";    // after "INSTRUMENTATION MODE  : "
    std::vector<std::string> includes;
    std::vector<FunctionLayout> functions;
    std::string terLine = "***TER 100% (   1/   1) of FILE src/a.c";
    std::string terLine2 = "       100% (   1/   1) statement blocks";
    std::size_t ruleLength = 77;
};

// The summary from its "SUMMARY" line through the second TER line.
std::vector<std::string> standardSummary();

struct ListingLayout {
    HeaderLayout header;
    std::vector<FileLayout> files;
    std::vector<std::string> summary = standardSummary();
    std::string trailer;  // raw text after the summary's last newline
};

// A function section: the FUNCTION line of `name` (hit once, source line 10)
// followed by `body`.
FunctionLayout function(std::string_view name, std::vector<std::string> body = {});
// A function-only section of `name` (hit `hits` times).
FunctionLayout functionOnly(std::string_view name, std::string_view hits = "1");

std::string monitoredLine(std::string_view name);

std::string render(const ListingLayout& listing);

// 1-based number of the first line of `text` at or after line `from` that
// contains `needle`; 0 when there is none.
int lineOf(std::string_view text, std::string_view needle, int from = 1);

// `text` with its line `number` (1-based) replaced by `line`, or removed when
// `line` is none.
std::string replaceLine(std::string_view text, int number, std::optional<std::string> line);

}  // namespace korvcmp::testing
