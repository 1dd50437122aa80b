// Line-by-line reading of one listing: the reader owns the listing's input
// stream and path, the current line (`lineBuffer`) and the line counter
// (`lineCounter`) that messages name, and offers the two tests by which the
// parser recognises lines. It needs nothing of a run, so any program that
// reads a listing line by line can use it.
#pragma once

#include <cstdint>
#include <string_view>

#include "listing/input_stream.h"

namespace korvcmp {

// A read takes at most this many characters; a whole line therefore holds at
// most 4095 characters besides its newline.
inline constexpr std::size_t kReadLimit = 4096;

class LineReader {
  public:
    // Opens the listing at `path`, which messages then name; false when it
    // cannot be opened. With `mapIfPossible`, a regular file is mapped
    // instead of read. Counting starts again at 0.
    bool open(const char* path, bool mapIfPossible);
    // Reads standard input, which messages name as `path`.
    bool openStandardInput(const char* path = "-");

    const char* path() const { return path_; }
    InputStream& stream() { return stream_; }
    const InputStream& stream() const { return stream_; }

    // Reads the next line into lineBuffer and counts it; false when no whole
    // line comes (end of file, a line longer than the read limit, a last
    // line without newline, a NUL character). The reader's inner loop: inline.
    bool tryReadLine() {
        std::string_view piece = stream_.nextPiece(kReadLimit);
        if (piece.empty()) {
            return false;
        }
        ++lineCounter;
        if (piece.back() != '\n' || stream_.holdsNul(piece)) {
            return false;
        }
        piece.remove_suffix(1);
        // A carriage return before the newline is dropped, so that listings
        // written with CR LF line ends read like the others.
        if (!piece.empty() && piece.back() == '\r') {
            piece.remove_suffix(1);
        }
        lineBuffer = piece;
        return true;
    }

    // What a read brought: a whole line, the end of the input, or a line
    // that cannot be read whole (longer than the read limit, holding a NUL,
    // or without a newline at the end of the file), which is counted.
    enum class Read { Line, EndOfInput, IncompleteLine };
    Read readNext() {
        const std::int64_t before = lineCounter;
        if (tryReadLine()) {
            return Read::Line;
        }
        return lineCounter == before ? Read::EndOfInput : Read::IncompleteLine;
    }

    // Reads the lines that lie whole among the bytes already read, as
    // tryReadLine would, and hands each (without its line end) with its
    // number to `take(line, number)`, until `take` returns false. Returns
    // false then; true when the next line needs tryReadLine (a refill, the
    // end of the file, an odd line). lineBuffer and lineCounter are those of
    // the last line taken once this returns. `take` must not read from this
    // reader.
    template <typename Take>
    bool takeBufferedLines(Take&& take) {
        std::int64_t number = lineCounter;
        std::string_view line = lineBuffer;
        const bool needsRead = stream_.takeBufferedLines(kReadLimit, [&](std::string_view piece) {
            ++number;
            // The newline goes, and a carriage return before it.
            piece.remove_suffix(piece.size() >= 2 && piece[piece.size() - 2] == '\r' ? 2 : 1);
            line = piece;
            return take(line, number);
        });
        lineCounter = number;
        lineBuffer = line;
        return needsRead;
    }

    // The same read; ends the run with the read error when no whole line comes.
    void readLine() {
        if (!tryReadLine()) {
            readError();
        }
    }

    // Ends the run with the read error of this listing at the current line.
    [[noreturn]] void readError() const;
    // True once readError has ended a read: what failed was the input, not
    // its grammar.
    bool readFailed() const { return readFailed_; }

    // True when the current line is exactly `literal`.
    bool lineEquals(std::string_view literal) const { return lineBuffer == literal; }
    // True when the current line begins with all of `literal`.
    bool lineStartsWith(std::string_view literal) const { return lineBuffer.starts_with(literal); }

    // From the next open on: should the mapped listing be cut short by
    // another program, the process ends with this listing's read error
    // instead of crashing (platform/mapping_guard.h).
    void reportMappingFaultsAsReadErrors() { guardMapping_ = true; }
    // From the next open on, a regular file that is read (not mapped) is read
    // ahead by `worker` (InputStream::readAheadOn).
    void readAheadOn(BackgroundWorker* worker) { stream_.readAheadOn(worker); }

    // Closes the listing; false when closing fails.
    bool close() { return stream_.close(); }

    // The current line, without its line end. It points into the stream and
    // stays valid until the next read (for a mapped file, until it is closed).
    std::string_view lineBuffer;
    // Lines read so far; the line number in messages.
    std::int64_t lineCounter = 0;

  private:
    InputStream stream_;
    const char* path_ = "";
    bool guardMapping_ = false;
    mutable bool readFailed_ = false;
};

}  // namespace korvcmp
