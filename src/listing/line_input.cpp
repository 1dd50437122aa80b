// Reading whole lines from a listing, with the line counter that messages use.
#include "listing/line_input.h"

#include "driver/fatal.h"
#include "driver/process_state.h"

namespace korvcmp {
namespace {

enum class ReadResult { Nothing, Incomplete, Whole };

ReadResult readNext(InputStream& stream) {
    std::string_view piece = stream.nextPiece(kReadLimit);
    if (piece.empty()) {
        return ReadResult::Nothing;
    }
    ++process.lineCounter;
    if (piece.back() != '\n' || stream.holdsNul(piece)) {
        return ReadResult::Incomplete;
    }
    piece.remove_suffix(1);
    // A carriage return before the newline is dropped, so that listings
    // written with CR LF line ends read like the others.
    if (!piece.empty() && piece.back() == '\r') {
        piece.remove_suffix(1);
    }
    process.lineBuffer = piece;
    return ReadResult::Whole;
}

}  // namespace

const char* pathOf(const InputStream& stream) {
    return &stream == &process.listing2Stream ? process.listing2Path : process.listing1Path;
}

void readLine(InputStream& stream) {
    if (readNext(stream) != ReadResult::Whole) {
        fatal("Read error of file %s, near line %i", pathOf(stream), process.lineCounter);
    }
}

bool tryReadLine(InputStream& stream) {
    return readNext(stream) == ReadResult::Whole;
}

bool lineEquals(std::string_view literal) {
    return process.lineBuffer == literal;
}

bool lineStartsWith(std::string_view literal) {
    return process.lineBuffer.starts_with(literal);
}

}  // namespace korvcmp
