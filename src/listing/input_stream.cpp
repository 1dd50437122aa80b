// Reading a listing file: mapped when it is a regular file, else read in blocks.
#include "listing/input_stream.h"

#include <algorithm>
#include <new>
#include <utility>

#include "base/arena.h"
#include "base/fatal.h"
#include "platform/mapping_guard.h"

namespace korvcmp {
namespace {

// One read fetches up to this much: enough to keep the number of system
// calls small on files of hundreds of megabytes, and little enough that a
// block read ahead on another core is still in the shared cache when the
// reader comes to it.
constexpr std::size_t kBlockSize = std::size_t{128} << 10;
// Room before a block's bytes for the unread end of the block before it:
// less than one piece, and a whole number of words of marks.
constexpr std::size_t kHeadroom = InputStream::kMaxPiece;
static_assert(kHeadroom % 64 == 0);
constexpr std::size_t kBlockBytes = kHeadroom + kBlockSize;
constexpr std::size_t kPageSize = 4096;
static_assert(kHeadroom % kPageSize == 0);

// The NUL search over a mapped file goes ahead of the reader by this much at
// a time, so that it runs over bytes that are about to be read anyway.
constexpr std::size_t kNulScanWindow = std::size_t{256} << 10;

}  // namespace

InputStream::~InputStream() {
    close();
}

bool InputStream::open(const char* path, bool mapIfPossible) {
    close();
    if (!file_.open(path)) {
        return false;
    }
    if (mapIfPossible) {
        const std::span<const char> bytes = file_.map();
        if (!bytes.empty()) {
            mapping_ = bytes.data();
            dataEnd_ = mapping_ + bytes.size();
            position_ = mapping_;
            nulScannedTo_ = mapping_;
            nulAt_ = nullptr;
            return true;
        }
    }
    readInBlocks();
    return true;
}

bool InputStream::openStandardInput() {
    close();
    if (!file_.openStandardInput()) {
        return false;
    }
    readInBlocks();
    return true;
}

void InputStream::readInBlocks() {
    // A regular file cannot keep a read waiting, so it may be read ahead of
    // the reader; without a thread or memory to spare, it is read when it
    // is needed, into two blocks taken in turn.
    bool readAhead = readAheadWorker_ != nullptr && readAheadWorker_->isRunning() &&
                     file_.regularFileSize() >= 0;
    try {
        for (std::size_t i = 0; i < (readAhead ? kBlocks : 2); ++i) {
            Block& block = blocks_[i];
            if (!block.stops) {
                // Zeroed once: marks are made for whole words, and a word may
                // begin before the bytes kept from the last block. A read
                // into memory that starts on a page is copied several times
                // faster than one into memory that does not.
                auto storage = std::make_unique<char[]>(kBlockBytes + kPageSize);
                auto stops =
                    std::make_unique_for_overwrite<std::uint64_t[]>(lineStopWords(kBlockBytes));
                const auto address = reinterpret_cast<std::uintptr_t>(storage.get());
                block.bytes = storage.get() + (kPageSize - address % kPageSize) % kPageSize;
                block.storage = std::move(storage);
                block.stops = std::move(stops);
            }
        }
    } catch (const std::bad_alloc&) {
        // Two blocks are enough to read without a second thread.
        if (!readAhead || !blocks_[1].stops) {
            throw;
        }
        readAhead = false;
    }
    current_ = 0;
    begin_ = kHeadroom;
    end_ = kHeadroom;
    exhausted_ = false;
    readingAhead_ = readAhead;
    if (readingAhead_) {
        for (std::size_t i = after(current_); i != current_; i = after(i)) {
            fillAhead(i);
        }
    }
}

void InputStream::fill(Block& block) {
    block.got = file_.read(block.bytes + kHeadroom, kBlockSize);
    if (block.got > 0) {
        markLineStops(block.bytes + kHeadroom, static_cast<std::size_t>(block.got),
                      block.stops.get() + kHeadroom / 64);
    }
}

void InputStream::fillAhead(std::size_t index) {
    // The job captures two pointers, so handing it over allocates nothing.
    Block* block = &blocks_[index];
    readAheadWorker_->post([this, block] { fill(*block); });
    fillTickets_[index] = readAheadWorker_->posted();
    lastFillTicket_ = fillTickets_[index];
}

void InputStream::readMore() {
    const std::size_t lastIndex = current_;
    const std::size_t nextIndex = readingAhead_ ? after(current_) : 1 - current_;
    Block& last = blocks_[lastIndex];
    Block& next = blocks_[nextIndex];
    if (readingAhead_) {
        readAheadWorker_->waitFor(fillTickets_[nextIndex]);
    } else {
        // One read takes what is there: a pipe is not waited on for more
        // than the line being read needs.
        fill(next);
    }
    // The unread bytes (less than one piece) go right before the new ones,
    // with their marks; marks are made from the start of a word.
    const std::size_t kept = end_ - begin_;
    const std::size_t nextBegin = kHeadroom - kept;
    std::memcpy(next.bytes + nextBegin, last.bytes + begin_, kept);
    const std::size_t markFrom = nextBegin / 64 * 64;
    markLineStops(next.bytes + markFrom, kHeadroom - markFrom, next.stops.get() + markFrom / 64);
    current_ = nextIndex;
    begin_ = nextBegin;
    end_ = kHeadroom + (next.got > 0 ? static_cast<std::size_t>(next.got) : 0);
    if (next.got <= 0) {
        exhausted_ = true;  // end of file, or a read error
    } else if (readingAhead_) {
        fillAhead(lastIndex);  // its pieces are done with
    }
}

std::string_view InputStream::nextReadPiece(std::size_t limit) {
    if (exhausted_ && begin_ == end_) {
        return {};  // at the end, or closed
    }
    for (;;) {
        const std::size_t available = std::min(end_ - begin_, limit);
        const std::string_view piece = pieceAt(blocks_[current_].bytes + begin_, available);
        if ((!piece.empty() && piece.back() == '\n') || available == limit || exhausted_) {
            begin_ += piece.size();
            return piece;
        }
        readMore();
    }
}

bool InputStream::searchNul(std::string_view piece) {
    if (mapping_ == nullptr) {
        // What is read is marked as it comes in: only the pieces that are not
        // whole clean lines, a few per block, come here.
        return std::memchr(piece.data(), '\0', piece.size()) != nullptr;
    }
    // Pieces come in file order, so one search ahead of the reader over the
    // mapping serves all of them.
    const char* dataEnd = dataEnd_;
    const char* start = piece.data();
    const char* end = start + piece.size();
    if (nulAt_ != nullptr) {
        if (nulAt_ >= start) {
            return nulAt_ < end;
        }
        nulAt_ = nullptr;  // passed: the search goes on after it
    }
    nulScannedTo_ = std::max(nulScannedTo_, start);
    while (nulScannedTo_ < end) {
        const char* windowEnd = std::max(
            end, nulScannedTo_ +
                     std::min(kNulScanWindow, static_cast<std::size_t>(dataEnd - nulScannedTo_)));
        const void* found =
            std::memchr(nulScannedTo_, '\0', static_cast<std::size_t>(windowEnd - nulScannedTo_));
        if (found != nullptr) {
            nulAt_ = static_cast<const char*>(found);
            nulScannedTo_ = nulAt_ + 1;
            return nulAt_ < end;
        }
        nulScannedTo_ = windowEnd;
    }
    return false;
}

void InputStream::detachFromFile() {
    if (mapping_ != nullptr && !file_.detachMapping()) {
        fatal(kOutOfMemoryMessage);
    }
}

void InputStream::guardMapping(std::string report) {
    if (mapping_ == nullptr) {
        return;
    }
    faultReport_ = std::move(report);
    korvcmp::guardMapping(mapping_, static_cast<std::size_t>(dataEnd_ - mapping_),
                          faultReport_.c_str());
}

void InputStream::stopReadingAhead() {
    if (readingAhead_) {
        readingAhead_ = false;
        // A fill under way ends soon: a regular file does not keep a read
        // waiting. The worker itself goes on. Fills raise no errors, and
        // the error of another job is its owner's to hear of.
        try {
            readAheadWorker_->waitFor(lastFillTicket_);
        } catch (...) {  // NOLINT(bugprone-empty-catch)
        }
    }
}

bool InputStream::close() {
    if (!faultReport_.empty()) {
        unguardMapping();
        faultReport_.clear();
    }
    stopReadingAhead();
    mapping_ = nullptr;
    dataEnd_ = nullptr;
    position_ = nullptr;
    begin_ = 0;
    end_ = 0;
    exhausted_ = true;
    return file_.close();
}

}  // namespace korvcmp
