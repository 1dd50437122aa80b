// A listing file opened for reading (platform/input_file.h). It hands out
// the file's text piece by piece in the way a bounded line read does: at most
// a given number of characters, stopping after the first newline.
//
// A regular file may be mapped into memory, so that its pieces stay valid
// for the whole run and nothing is copied; anything else (a pipe, a FIFO, a
// character device, standard input) is read in large blocks, and each piece
// is valid only until the next one. A regular file that is read may be read
// ahead on a second thread, a few blocks ahead of the reader.
//
// As a block comes in, its line ends are marked (line_end_search.h), so that
// cutting a line is a look at a word of marks rather than a search; whole
// runs of lines can be handed out at once (takeBufferedLines).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/background_worker.h"
#include "listing/line_end_search.h"
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
    // Why the last open failed.
    SystemFailure openFailure() const { return file_.openFailure(); }

    // From the next open on, a regular file that is read (not mapped) is
    // read ahead by `worker` (running, and left running; nullptr: not read
    // ahead), which may do other jobs in between. Pipes and terminals are
    // not read ahead: a read there may wait for ever, and nothing is read
    // that the reader does not ask for.
    void readAheadOn(BackgroundWorker* worker) { readAheadWorker_ = worker; }

    // The next piece of the file: at most `limit` characters (limit <= kMaxPiece),
    // up to and including the first newline. Empty at the end of the file or
    // after a read error.
    std::string_view nextPiece(std::size_t limit) {
        if (mapping_ == nullptr) {
            // Mostly the next line lies whole among the buffered bytes, and
            // is cut after a look at a word or two of marks; only refills,
            // the end of the file and odd lines (too long, holding a NUL)
            // take the longer way.
            const std::size_t buffered = end_ - begin_;
            const std::size_t available = buffered < limit ? buffered : limit;
            if (available > 0) {
                const Block& block = blocks_[current_];
                const std::size_t stop = nextLineStop(block, begin_, begin_ + available);
                if (stop < begin_ + available && block.bytes[stop] == '\n') {
                    // A whole line with no NUL: holdsNul need not look.
                    const std::string_view piece(block.bytes + begin_, stop + 1 - begin_);
                    begin_ = stop + 1;
                    lastPieceIsClean_ = true;
                    return piece;
                }
            }
            lastPieceIsClean_ = false;
            return nextReadPiece(limit);
        }
        const auto remaining = static_cast<std::size_t>(dataEnd_ - position_);
        const std::string_view piece = pieceAt(position_, remaining < limit ? remaining : limit);
        position_ += piece.size();
        return piece;
    }

    // Hands the lines that lie whole among the bytes already read (each up
    // to and including its newline, at most `limit` characters, no NUL) to
    // `take(piece)`, one after the other, as nextPiece would hand them out,
    // until `take` returns false. Returns false then; true when the next
    // piece needs nextPiece (a refill, the end of the file, an odd line).
    // Nothing is handed out for a mapped file. Each piece is valid until the
    // next one.
    template <typename Take>
    bool takeBufferedLines(std::size_t limit, Take&& take) {
        if (mapping_ != nullptr || begin_ == end_) {
            return true;
        }
        const Block& block = blocks_[current_];
        const char* bytes = block.bytes;
        const std::size_t end = end_;
        // One word of marks is worked through at a time, its bits cleared as
        // their lines are taken. `take` does not read from this stream.
        std::size_t begin = begin_;
        std::size_t word = begin / 64;
        std::uint64_t stops = block.stops[word] & (~std::uint64_t{0} << (begin % 64));
        const std::size_t lastWord = (end - 1) / 64;
        for (;;) {
            while (stops == 0) {
                if (word == lastWord) {
                    begin_ = begin;
                    return true;
                }
                stops = block.stops[++word];
            }
            const std::size_t stop = word * 64 + static_cast<std::size_t>(std::countr_zero(stops));
            if (stop >= end || stop - begin >= limit || bytes[stop] != '\n') {
                begin_ = begin;
                return true;
            }
            stops &= stops - 1;
#if defined(__GNUC__)
            // The block was read on another core: asking for its bytes well
            // ahead keeps the reader from waiting on each line.
            __builtin_prefetch(bytes + (stop + 8192 < end ? stop + 8192 : end));
#endif
            const std::string_view piece(bytes + begin, stop + 1 - begin);
            begin = stop + 1;
            if (!take(piece)) {
                begin_ = begin;
                return false;
            }
        }
    }

    // True when `piece`, the piece just handed out, holds a NUL character.
    bool holdsNul(std::string_view piece) {
        if (mapping_ == nullptr) {
            return !lastPieceIsClean_ && searchNul(piece);
        }
        // Mostly the search ahead of the reader has passed the piece already.
        if (nulAt_ == nullptr && piece.data() + piece.size() <= nulScannedTo_) {
            return false;
        }
        return searchNul(piece);
    }

    // True while pieces stay valid until the stream is closed (a mapped file).
    bool piecesStayValid() const {
        return mapping_ != nullptr;
    }

    // The size of the open file when it is a regular file; -1 otherwise.
    std::int64_t regularFileSize() const {
        return file_.regularFileSize();
    }

    // True when `path`, or standard output, is the file this stream reads.
    bool isSameFileAs(const char* path) const {
        return file_.isSameFileAs(path);
    }
    bool isSameFileAsStandardOutput() const {
        return file_.isSameFileAsStandardOutput();
    }

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

    // A block of a file that is read: room for the unread end of the block
    // before it, then what one read brought, with the line stops of both
    // marked (bit i % 64 of stops[i / 64] tells whether bytes[i] is a newline
    // or a NUL).
    struct Block {
        std::unique_ptr<char[]> storage;
        char* bytes = nullptr;  // in storage; what a read brings starts on a page
        std::unique_ptr<std::uint64_t[]> stops;
        std::int64_t got = 0;  // what the last read brought; 0 at the end, -1 after an error
    };

    // The first line stop of `block` at or after `from` and before `to`
    // (from < to <= end_); `to` when there is none.
    static std::size_t nextLineStop(const Block& block, std::size_t from, std::size_t to) {
        std::size_t word = from / 64;
        std::uint64_t bits = block.stops[word] & (~std::uint64_t{0} << (from % 64));
        const std::size_t lastWord = (to - 1) / 64;
        while (bits == 0) {
            if (word == lastWord) {
                return to;
            }
            bits = block.stops[++word];
        }
        const std::size_t stop = word * 64 + static_cast<std::size_t>(std::countr_zero(bits));
        return stop < to ? stop : to;
    }

    void readInBlocks();
    void fill(Block& block);
    void fillAhead(std::size_t index);
    static std::size_t after(std::size_t index) {
        return (index + 1) % kBlocks;
    }
    void readMore();
    void stopReadingAhead();
    std::string_view nextReadPiece(std::size_t limit);
    bool searchNul(std::string_view piece);

    InputFile file_;

    // A mapped file: its bytes are [mapping_, dataEnd_); `position_` is where
    // the next piece starts.
    const char* mapping_ = nullptr;
    const char* dataEnd_ = nullptr;
    const char* position_ = nullptr;
    // NUL search ahead of the reader, over the mapping:
    // everything before `nulScannedTo_` was searched, and `nulAt_` is the
    // first NUL found there not yet passed.
    const char* nulScannedTo_ = nullptr;
    const char* nulAt_ = nullptr;
    // The report of a fault in the guarded mapping; empty when none is guarded.
    std::string faultReport_;

    // A file that is read: its buffered bytes are [begin_, end_) of the
    // current block. The blocks after it, in a ring, are filled ahead when
    // reading ahead; else only the next one is used, filled when needed.
    static constexpr std::size_t kBlocks = 8;
    Block blocks_[kBlocks];
    std::size_t current_ = 0;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool exhausted_ = true;          // end of file reached, reading failed, or nothing open
    bool lastPieceIsClean_ = false;  // the last piece was a whole line with no NUL
    // Reading ahead: the blocks after the current one are filled on the
    // worker's thread, in the order they are read.
    BackgroundWorker* readAheadWorker_ = nullptr;
    bool readingAhead_ = false;
    // The worker's count of jobs done once each block's fill is done.
    std::uint64_t fillTickets_[kBlocks] = {};
    std::uint64_t lastFillTicket_ = 0;
};

}  // namespace korvcmp
