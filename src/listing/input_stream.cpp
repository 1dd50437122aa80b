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
// Room for the lines to read of a block: a few hundred in a block of a
// compared listing; a block with more has the rest read line by line.
constexpr std::size_t kLinesToRead = 8192;
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
    readInBlocks(/*fromStart=*/true);
    return true;
}

bool InputStream::openStandardInput() {
    close();
    if (!file_.openStandardInput()) {
        return false;
    }
    readInBlocks(/*fromStart=*/false);
    return true;
}

void InputStream::readInBlocks(bool fromStart) {
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
                auto storage = std::make_unique<char[]>(kBlockBytes + kPageSize + kRoomAfterBytes);
                auto stops =
                    std::make_unique_for_overwrite<std::uint64_t[]>(lineStopWords(kBlockBytes));
                const auto address = reinterpret_cast<std::uintptr_t>(storage.get());
                block.bytes = storage.get() + (kPageSize - address % kPageSize) % kPageSize;
                block.storage = std::move(storage);
                block.stops = std::move(stops);
            }
            if (linesToReadMarker_ != nullptr && !block.toReadStorage) {
                block.toReadStorage = std::make_unique_for_overwrite<LineToRead[]>(kLinesToRead);
                block.toRead.lines = block.toReadStorage.get();
                block.toRead.capacity = kLinesToRead;
            }
            block.toReadNoted = false;
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
    // Standard input may not start at the file's beginning: it is read in
    // order, from where it stands.
    readsAtOffsets_ = readAhead && fromStart;
    nextOffset_ = 0;
    fileEnded_ = false;
    for (Block& block : blocks_) {
        block.fillState.store(kIdle, std::memory_order_relaxed);
    }
    if (readingAhead_) {
        for (std::size_t i = after(current_); i != current_; i = after(i)) {
            fillAhead(i);
        }
    }
}

void InputStream::fill(Block& block) {
    if (readsAtOffsets_) {
        // A block read at an offset is read whole unless the file ends (or
        // a read fails): the next block's read has started where it ends.
        std::int64_t got = 0;
        while (got < static_cast<std::int64_t>(kBlockSize)) {
            const std::int64_t more =
                file_.readAt(block.bytes + kHeadroom + got,
                             kBlockSize - static_cast<std::size_t>(got), block.offset + got);
            if (more <= 0) {
                got = got > 0 ? got : more;
                break;
            }
            got += more;
        }
        block.got = got;
    } else {
        block.got = file_.read(block.bytes + kHeadroom, kBlockSize);
    }
    if (block.got > 0) {
        const auto got = static_cast<std::size_t>(block.got);
        markLineStops(block.bytes + kHeadroom, got, block.stops.get() + kHeadroom / 64);
        if (block.toReadStorage) {
            linesToReadMarker_(block.bytes, kHeadroom, kHeadroom + got, block.stops.get(),
                               block.toRead);
        }
    }
    block.toReadNoted = block.got > 0 && block.toReadStorage;
}

// True when this thread takes over the filling of `block`, which was handed
// to the worker and not yet begun.
bool InputStream::claim(Block& block) {
    unsigned char posted = kPosted;
    return block.fillState.compare_exchange_strong(posted, kClaimed, std::memory_order_acquire);
}

void InputStream::claimAndFill(Block& block) {
    if (claim(block)) {
        fill(block);
        block.fillState.store(kFilled, std::memory_order_release);
    }
}

void InputStream::fillAhead(std::size_t index) {
    // The job captures two pointers, so handing it over allocates nothing.
    Block* block = &blocks_[index];
    block->offset = nextOffset_;
    nextOffset_ += static_cast<std::int64_t>(kBlockSize);
    block->fillState.store(kPosted, std::memory_order_release);
    readAheadWorker_->post([this, block] { claimAndFill(*block); });
    fillTickets_[index] = readAheadWorker_->posted();
    lastFillTicket_ = fillTickets_[index];
}

void InputStream::awaitFill(std::size_t index) {
    Block& block = blocks_[index];
    if (readsAtOffsets_) {
        // Rather than wait, the reader fills blocks itself: this one when the
        // worker has not begun it, else, while the worker is at it, those
        // further ahead that the worker has not begun, the furthest first
        // (the worker comes to it last). The block being left is not one.
        if (claim(block)) {
            fill(block);
            block.fillState.store(kFilled, std::memory_order_release);
            return;
        }
        for (std::size_t ahead = before(current_);
             ahead != index && block.fillState.load(std::memory_order_acquire) != kFilled;
             ahead = before(ahead)) {
            claimAndFill(blocks_[ahead]);
        }
        if (block.fillState.load(std::memory_order_acquire) == kFilled) {
            return;
        }
    }
    readAheadWorker_->waitFor(fillTickets_[index]);
}

void InputStream::readMore() {
    const std::size_t lastIndex = current_;
    const std::size_t nextIndex = readingAhead_ ? after(current_) : 1 - current_;
    Block& last = blocks_[lastIndex];
    Block& next = blocks_[nextIndex];
    if (readingAhead_) {
        awaitFill(nextIndex);
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
    // After a block read at an offset came short, the file had ended there:
    // whatever a later read found (the file has grown since) is not taken.
    const std::int64_t got = fileEnded_ ? 0 : next.got;
    fileEnded_ = fileEnded_ || (readsAtOffsets_ && got < static_cast<std::int64_t>(kBlockSize));
    current_ = nextIndex;
    begin_ = nextBegin;
    stopsPassed_ = 0;
    nextToRead_ = 0;
    end_ = kHeadroom + (got > 0 ? static_cast<std::size_t>(got) : 0);
    if (got <= 0) {
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
            stopsPassed_ += stopsAmong(begin_, begin_ + piece.size());
            begin_ += piece.size();
            return piece;
        }
        readMore();
    }
}

std::size_t InputStream::stopsAmong(std::size_t from, std::size_t to) const {
    const std::uint64_t* stops = blocks_[current_].stops.get();
    std::size_t count = 0;
    for (std::size_t at = std::max(from, kStopsCountFrom); at < to; at = (at / 64 + 1) * 64) {
        const std::size_t word = at / 64;
        const std::size_t wordEnd = std::min(to, word * 64 + 64);
        std::uint64_t bits = stops[word] >> (at % 64);
        if (wordEnd - at < 64) {
            bits &= (std::uint64_t{1} << (wordEnd - at)) - 1;
        }
        count += static_cast<std::size_t>(std::popcount(bits));
    }
    return count;
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
