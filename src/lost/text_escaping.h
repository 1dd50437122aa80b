// Texts from a listing written into the machine-read formats: GitHub Actions
// workflow commands, which the runner splits at '%', line ends and, in
// property values, ':' and ','; and JSON strings, which must be valid UTF-8.
#pragma once

#include <string_view>

#include "lost/output_buffer.h"

namespace korvcmp {

// A property value of a workflow command (file=..., title=...): % CR LF : ,
// become %25 %0D %0A %3A %2C.
void writeWorkflowProperty(OutputBuffer& out, std::string_view text);
// The message of a workflow command, after "::": % CR LF become %25 %0D %0A.
void writeWorkflowMessage(OutputBuffer& out, std::string_view text);

// A JSON string, quotes included: '"' and '\' are escaped, control characters
// become \b \f \n \r \t or \u00XX, valid UTF-8 is copied as it is, and every
// byte that is not part of a valid UTF-8 sequence becomes \ufffd, the
// replacement character, so that the output is always valid JSON.
void writeJsonString(OutputBuffer& out, std::string_view text);

}  // namespace korvcmp
