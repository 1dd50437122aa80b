// Line-by-line reading of the listings through the shared current line
// (`lineBuffer`) and line counter, and the two tests by which the reader
// recognises lines.
#pragma once

#include <string_view>

#include "listing/input_stream.h"

namespace korvcmp {

// A read takes at most this many characters; a whole line therefore holds at
// most 4095 characters besides its newline.
inline constexpr std::size_t kReadLimit = 4096;

// Reads the next line of `stream` into lineBuffer. Ends the run with the read
// error when no whole line comes (end of file, a line longer than the read
// limit, a last line without newline, a NUL character).
void readLine(InputStream& stream);

// The same read; returns false instead of ending the run.
bool tryReadLine(InputStream& stream);

// True when the current line is exactly `literal`.
bool lineEquals(std::string_view literal);

// True when the current line begins with all of `literal`.
bool lineStartsWith(std::string_view literal);

// The path that messages name for `stream`.
const char* pathOf(const InputStream& stream);

}  // namespace korvcmp
