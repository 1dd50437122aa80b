// A listing file opened for reading (platform/input_file.h). It hands out
// the file's text piece by piece in the way a bounded line read does: at most
// a given number of characters, stopping after the first newline.
//
// A regular file may be mapped into memory, so that its pieces stay valid
// for the whole run and nothing is copied; anything else (a pipe, a FIFO, a
// character device, standard input) is read in large blocks, and each piece
// is valid only until the next one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/input_file.h"

namespace korvcmp {

class InputStream {
  public:
    InputStream() = default;
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;
    ~InputStream();

    // Opens the file at `path` for reading; false when it cannot be opened.
    // With `mapIfPossible`, a regular file is mapped instead of read.
    bool open(const char* path, bool mapIfPossible = true);
    // Reads standard input.
    bool openStandardInput();

    // The next piece of the file: at most `limit` characters (limit <= kMaxPiece),
    // up to and including the first newline. Empty at the end of the file or
    // after a read error.
    std::string_view nextPiece(std::size_t limit) {
        if (mapping_ == nullptr) {
            // Mostly the buffered bytes hold the whole next line: it is cut
            // here, and only refills and the end of the file are calls.
            const std::size_t buffered = end_ - begin_;
            const std::size_t available = buffered < limit ? buffered : limit;
            if (available > 0) {
                const char* start = buffer_.get() + begin_;
                if (const void* newline = std::memchr(start, '\n', available); newline != nullptr) {
                    const auto size =
                        static_cast<std::size_t>(static_cast<const char*>(newline) - start) + 1;
                    begin_ += size;
                    return {start, size};
                }
            }
            return nextReadPiece(limit);
        }
        const auto remaining = static_cast<std::size_t>(dataEnd_ - position_);
        const std::string_view piece = pieceAt(position_, remaining < limit ? remaining : limit);
        position_ += piece.size();
        return piece;
    }

    // True when `piece`, the piece just handed out, holds a NUL character.
    bool holdsNul(std::string_view piece) {
        // Mostly the search ahead of the reader has passed the piece already.
        if (nulAt_ == nullptr && piece.data() + piece.size() <= nulScannedTo_) {
            return false;
        }
        return searchNul(piece);
    }

    // True while pieces stay valid until the stream is closed (a mapped file).
    bool piecesStayValid() const { return mapping_ != nullptr; }

    // The size of the open file when it is a regular file; -1 otherwise.
    std::int64_t regularFileSize() const { return file_.regularFileSize(); }

    // True when `path`, or standard output, is the file this stream reads.
    bool isSameFileAs(const char* path) const { return file_.isSameFileAs(path); }
    bool isSameFileAsStandardOutput() const { return file_.isSameFileAsStandardOutput(); }

    // Replaces the mapping by a private copy at the same addresses, so that
    // the pieces handed out no longer depend on the file on disk (which is
    // about to be overwritten). Ends the run when memory runs out.
    void detachFromFile();

    // Should the mapped file be cut short by another program, the process
    // ends with `report` on standard error instead of crashing
    // (platform/mapping_guard.h), until the stream is closed. Nothing to
    // guard when the file is read.
    void guardMapping(std::string report);

    // Closes the file; false when closing fails.
    bool close();

    static constexpr std::size_t kMaxPiece = 4096;

  private:
    // The piece that starts at `start`: up to and including the first newline
    // among the `available` characters, or all of them when none is a newline.
    static std::string_view pieceAt(const char* start, std::size_t available) {
        const void* newline = std::memchr(start, '\n', available);
        return {start, newline != nullptr
                           ? static_cast<std::size_t>(static_cast<const char*>(newline) - start) + 1
                           : available};
    }

    void readInBlocks();
    void readMore();
    std::string_view nextReadPiece(std::size_t limit);
    bool searchNul(std::string_view piece);

    InputFile file_;

    // A mapped file: its bytes are [mapping_, dataEnd_); `position_` is where
    // the next piece starts.
    const char* mapping_ = nullptr;
    const char* dataEnd_ = nullptr;
    const char* position_ = nullptr;
    // NUL search ahead of the reader, over the mapping or the buffer:
    // everything before `nulScannedTo_` was searched, and `nulAt_` is the
    // first NUL found there not yet passed.
    const char* nulScannedTo_ = nullptr;
    const char* nulAt_ = nullptr;
    // The report of a fault in the guarded mapping; empty when none is guarded.
    std::string faultReport_;

    // A file that is read: its buffered bytes are [begin_, end_) of buffer_.
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool exhausted_ = true;  // end of file reached, reading failed, or nothing open
};

}  // namespace korvcmp
