// Reading a listing file: mapped when it is a regular file, else read in blocks.
#include "listing/input_stream.h"

#include <algorithm>
#include <utility>

#include "base/arena.h"
#include "base/fatal.h"
#include "platform/mapping_guard.h"

namespace korvcmp {
namespace {

// One read fetches up to this much; large blocks keep the number of system
// calls small on files of hundreds of megabytes.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
constexpr std::size_t kBufferSize = kBlockSize + InputStream::kMaxPiece;

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
    if (!buffer_) {
        buffer_ = std::make_unique<char[]>(kBufferSize);
    }
    begin_ = 0;
    end_ = 0;
    exhausted_ = false;
    nulScannedTo_ = buffer_.get();
    nulAt_ = nullptr;
}

void InputStream::readMore() {
    if (begin_ > 0) {
        // The unread bytes move to the front, and the NUL search with them.
        char* buffer = buffer_.get();
        const char* kept = buffer + begin_;
        nulScannedTo_ = buffer + (std::max(nulScannedTo_, kept) - kept);
        nulAt_ = nulAt_ != nullptr && nulAt_ >= kept ? buffer + (nulAt_ - kept) : nullptr;
        std::memmove(buffer, kept, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    // One read takes what is there: a pipe is not waited on for more than
    // the line being read needs.
    const std::int64_t got = file_.read(buffer_.get() + end_, kBufferSize - end_);
    if (got > 0) {
        end_ += static_cast<std::size_t>(got);
    } else {
        exhausted_ = true;  // end of file, or a read error
    }
}

std::string_view InputStream::nextReadPiece(std::size_t limit) {
    if (exhausted_ && begin_ == end_) {
        return {};  // at the end, or closed
    }
    for (;;) {
        const std::size_t available = std::min(end_ - begin_, limit);
        const std::string_view piece = pieceAt(buffer_.get() + begin_, available);
        if ((!piece.empty() && piece.back() == '\n') || available == limit || exhausted_) {
            begin_ += piece.size();
            return piece;
        }
        readMore();
    }
}

bool InputStream::searchNul(std::string_view piece) {
    // Pieces come in file order, so one search ahead of the reader, over the
    // mapping or the buffered bytes, serves all of them.
    const char* dataEnd = mapping_ != nullptr ? dataEnd_ : buffer_.get() + end_;
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

bool InputStream::close() {
    if (!faultReport_.empty()) {
        unguardMapping();
        faultReport_.clear();
    }
    mapping_ = nullptr;
    dataEnd_ = nullptr;
    position_ = nullptr;
    begin_ = 0;
    end_ = 0;
    exhausted_ = true;
    return file_.close();
}

}  // namespace korvcmp
