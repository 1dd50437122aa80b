// Texts from a listing written into the machine-read formats: GitHub Actions
// workflow commands, which the runner splits at '%', line ends and, in
// property values, ':' and ','; and paths as JSON strings (the strings
// themselves are output/json_text.h's).
#pragma once

#include <span>
#include <string_view>

#include "output/json_text.h"
#include "output/output_stream.h"

namespace korvcmp {

// A property value of a workflow command (file=..., title=...): % CR LF : ,
// become %25 %0D %0A %3A %2C, and the other control bytes and bytes that
// are not UTF-8 "\xHH" (base/terminal_text.h).
void writeWorkflowProperty(OutputStream& out, std::string_view text);
// The message of a workflow command, after "::": % CR LF become %25 %0D %0A,
// the other control bytes and bytes that are not UTF-8 "\xHH".
void writeWorkflowMessage(OutputStream& out, std::string_view text);

// A message inside a JSON string, quotes not included: the parts at even
// positions are the program's own words, written as they are, those at odd
// positions texts of a listing, escaped (FindingResult's message).
void writeJsonMessage(OutputStream& out, std::span<const std::string_view> message);

// A path as a JSON string, quotes included: with '/' for every '\\' and
// without the "./" it may begin with.
void writeJsonPath(OutputStream& out, std::string_view path);

// A path without the "./" it may begin with (once or more).
std::string_view withoutDotSlash(std::string_view path);

}  // namespace korvcmp
