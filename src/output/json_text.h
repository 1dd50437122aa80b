// Texts from a listing as JSON strings: whatever bytes a listing holds, the
// document stays valid JSON in UTF-8.
#pragma once

#include <string_view>

#include "output/output_stream.h"

namespace korvcmp {

// `text` as a JSON string, quotes included: '"' and '\' are escaped, control
// characters become \b \f \n \r \t or \u00XX, valid UTF-8 is copied as it
// is, and every byte that is not part of a valid UTF-8 sequence becomes
// \ufffd, the replacement character.
void writeJsonString(OutputStream& out, std::string_view text);
// The same without the quotes, for a string written in parts.
void writeJsonText(OutputStream& out, std::string_view text);

}  // namespace korvcmp
