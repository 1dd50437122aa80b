// Plain profile lines: whole lines of at least 31 characters (a carriage
// return before the newline not counted) that fit one read and hold no
// marker in columns 0 to 29. Among a function's profile lines the scanner
// has nothing to do with them. So, as each block of the listing comes in,
// the thread that reads it notes the lines that are not plain, and the
// scanner's thread skips from one of them to the next, counting the plain
// lines between instead of looking at each.
#pragma once

#include <cstddef>
#include <cstdint>

#include "listing/input_stream.h"

namespace korvcmp {

// Notes, in `toRead`, the lines among the bytes [from, to) of a block that
// are not plain profile lines (an InputStream::LinesToReadMarker).
void noteLinesThatAreNotPlain(const char* bytes, std::size_t from, std::size_t to,
                              const std::uint64_t* stops, InputStream::LinesToRead& toRead);

}  // namespace korvcmp
