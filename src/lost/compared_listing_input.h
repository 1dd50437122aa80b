// The lines of a compared listing, read one at a time through korvcmp's own
// line reader. This is the only file of korvcmp-lost that knows how the
// listing is read: everything else takes a line's text and its number. A read
// takes at most 4096 characters, so a whole line holds at most 4095 besides
// its newline, as korvcmp reads its own listings; a carriage return before
// the newline is dropped.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/background_worker.h"
#include "listing/line_reader.h"

namespace korvcmp {

class ComparedListingInput {
  public:
    // Line: see line() and lineNumber(); EndOfInput: lineNumber() is that of
    // the last line; IncompleteLine: lineNumber() is its number.
    using Read = LineReader::Read;

    // Opens the file at `path`; false when it cannot be opened. A running
    // `worker` reads the file ahead of the reader.
    bool open(const char* path, BackgroundWorker* worker = nullptr);
    // Reads standard input.
    bool openStandardInput();
    // Why the last open failed.
    SystemFailure openFailure() const { return reader_.stream().openFailure(); }

    Read readLine() { return reader_.readNext(); }
    // Reads lines and hands each to `take(line, number)` until `take` returns
    // false (Read::Line) or no whole line comes (as readLine says). Most lines
    // are handed on straight from the block they were read in.
    template <typename Take>
    Read readLines(Take&& take) {
        for (;;) {
            const bool needsRead = reader_.takeBufferedLines(take);
            if (!needsRead) {
                return Read::Line;
            }
            if (const Read read = readLine(); read != Read::Line) {
                return read;
            }
            if (!take(reader_.lineBuffer, reader_.lineCounter)) {
                return Read::Line;
            }
        }
    }

    // The line just read, without its line end; valid until the next read.
    std::string_view line() const { return reader_.lineBuffer; }
    std::int64_t lineNumber() const { return reader_.lineCounter; }

  private:
    LineReader reader_;
};

}  // namespace korvcmp
