// Texts from a listing written into the machine-read formats: GitHub Actions
// workflow commands, which the runner splits at '%', line ends and, in
// property values, ':' and ','; and JSON strings, which must be valid UTF-8.
#pragma once

#include <string_view>

#include "output/output_stream.h"

namespace korvcmp {

// A property value of a workflow command (file=..., title=...): % CR LF : ,
// become %25 %0D %0A %3A %2C.
void writeWorkflowProperty(OutputStream& out, std::string_view text);
// The message of a workflow command, after "::": % CR LF become %25 %0D %0A.
void writeWorkflowMessage(OutputStream& out, std::string_view text);

// A JSON string, quotes included: '"' and '\' are escaped, control characters
// become \b \f \n \r \t or \u00XX, valid UTF-8 is copied as it is, and every
// byte that is not part of a valid UTF-8 sequence becomes \ufffd, the
// replacement character, so that the output is always valid JSON.
void writeJsonString(OutputStream& out, std::string_view text);
// The same without the quotes, for a string written in parts.
void writeJsonText(OutputStream& out, std::string_view text);
// A path as a JSON string, quotes included: with '/' for every '\\' and
// without the "./" it may begin with.
void writeJsonPath(OutputStream& out, std::string_view path);

// A path without the "./" it may begin with (once or more).
std::string_view withoutDotSlash(std::string_view path);

}  // namespace korvcmp
