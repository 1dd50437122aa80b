// The lines of a compared listing, read one at a time. This is the only file
// of korvcmp-lost that knows how the listing is read: everything else takes a
// line's text and its number. A read takes at most 4096 characters, so a
// whole line holds at most 4095 besides its newline, as korvcmp reads its own
// listings; a carriage return before the newline is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "listing/input_stream.h"

namespace korvcmp {

class ComparedListingInput {
  public:
    enum class Read {
        Line,            // a whole line came: see line() and lineNumber()
        EndOfFile,       // no more text; lineNumber() is that of the last line
        IncompleteLine,  // longer than the read limit, holding a NUL, or no
                         // newline at the end of the file; lineNumber() is its number
    };

    // Opens the file at `path`; false when it cannot be opened.
    bool open(const char* path);
    // Reads standard input.
    bool openStandardInput();
    // Why the last open failed, in the system's words.
    const char* openFailure() const { return openFailure_; }

    Read readLine() {
        std::string_view piece = stream_.nextPiece(kReadLimit);
        if (piece.empty()) {
            return Read::EndOfFile;
        }
        ++lineNumber_;
        if (piece.back() != '\n' || stream_.holdsNul(piece)) {
            return Read::IncompleteLine;
        }
        piece.remove_suffix(1);
        if (!piece.empty() && piece.back() == '\r') {
            piece.remove_suffix(1);
        }
        line_ = piece;
        return Read::Line;
    }
    // The line just read, without its line end; valid until the next read.
    std::string_view line() const { return line_; }
    std::int64_t lineNumber() const { return lineNumber_; }

  private:
    // A read takes at most this many characters, newline included.
    static constexpr std::size_t kReadLimit = InputStream::kMaxPiece;

    InputStream stream_;
    std::string_view line_;
    std::int64_t lineNumber_ = 0;
    const char* openFailure_ = "";
};

}  // namespace korvcmp
