// The fixed texts of a listing's layout, as the analyser's report tool writes
// them: banner and header labels, the lines that open and close file sections
// and function sections, and the summary's labels. korvcmp's listing reader
// and korvcmp-lost's reader of compared listings both recognise lines by them.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvcmp {

inline constexpr std::string_view kBannerLine =
    "*           Korvo, Test Coverage Analyzer for C/C++, Version";
inline constexpr std::string_view kTitleLine =
    "*                         EXECUTION PROFILE LISTING                         *";
inline constexpr std::string_view kProducedAtLabel = "Listing produced at   : ";
inline constexpr std::string_view kCoverageViewLabel = "Coverage view         : ";
inline constexpr std::string_view kMonitored = "MONITORED ";
inline constexpr std::string_view kSummary = "SUMMARY";
inline constexpr std::string_view kModeLabel = "INSTRUMENTATION MODE  : ";
inline constexpr std::string_view kColumnHeading = " HITS/TRUE      FALSE    LINE DESCRIPTION";
inline constexpr std::string_view kEqualsRule = "========================";
inline constexpr std::string_view kInclude = "#include ";
inline constexpr std::string_view kTer = "***TER";
inline constexpr std::string_view kFileRule = "-----------------------";
inline constexpr std::string_view kFunctionRule = "---------------------";
inline constexpr std::string_view kSummaryRule = "=======";
inline constexpr std::string_view kSourceFilesLabel = "Source files       : ";
inline constexpr std::string_view kHeadersExtractedLabel = "Headers extracted  : ";
inline constexpr std::string_view kFunctionsLabel = "Functions          : ";
inline constexpr std::string_view kSourceLinesLabel = "Source lines       : ";
inline constexpr std::string_view kSummaryTerLabel = "TER                : ";
// A mode of function coverage: only these 30 characters are compared.
inline constexpr std::string_view kFunctionOnlyMode = "INSTRUMENTATION MODE  : functi";
inline constexpr std::string_view kFunctionOnlyView = "Reduced to function coverage";
inline constexpr std::string_view kLineDirective = "#line ";
inline constexpr std::string_view kFunction = "FUNCTION ";
// The shortest line taken for a FUNCTION line.
inline constexpr std::size_t kMinFunctionLineLength = 40;

}  // namespace korvcmp
