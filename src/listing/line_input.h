// Line-by-line reading of the listings through the shared current line
// (`lineBuffer`) and line counter, and the two tests by which the reader
// recognises lines.
#pragma once

#include <string_view>

#include "driver/process_state.h"
#include "listing/input_stream.h"

namespace korvcmp {

// A read takes at most this many characters; a whole line therefore holds at
// most 4095 characters besides its newline.
inline constexpr std::size_t kReadLimit = 4096;

// Reads the next line of `stream` into lineBuffer and counts it; false when
// no whole line comes (end of file, a line longer than the read limit, a last
// line without newline, a NUL character). The reader's inner loop: inline.
inline bool tryReadLine(InputStream& stream) {
    std::string_view piece = stream.nextPiece(kReadLimit);
    if (piece.empty()) {
        return false;
    }
    ++process.lineCounter;
    if (piece.back() != '\n' || stream.holdsNul(piece)) {
        return false;
    }
    piece.remove_suffix(1);
    // A carriage return before the newline is dropped, so that listings
    // written with CR LF line ends read like the others.
    if (!piece.empty() && piece.back() == '\r') {
        piece.remove_suffix(1);
    }
    process.lineBuffer = piece;
    return true;
}

// Ends the run with the read error of `stream` at the current line.
[[noreturn]] void readError(const InputStream& stream);

// The same read; ends the run with the read error when no whole line comes.
inline void readLine(InputStream& stream) {
    if (!tryReadLine(stream)) {
        readError(stream);
    }
}

// True when the current line is exactly `literal`.
inline bool lineEquals(std::string_view literal) {
    return process.lineBuffer == literal;
}

// True when the current line begins with all of `literal`.
inline bool lineStartsWith(std::string_view literal) {
    return process.lineBuffer.starts_with(literal);
}

// The path that messages name for `stream`.
const char* pathOf(const InputStream& stream);

}  // namespace korvcmp
