// Reading a listing file: mapped when it is a regular file, else read in blocks.
#include "listing/input_stream.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "base/fatal.h"
#include "base/arena.h"

namespace korvcmp {
namespace {

// One read fetches up to this much; large blocks keep the number of system
// calls small on files of hundreds of megabytes.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
constexpr std::size_t kBufferSize = kBlockSize + InputStream::kMaxPiece;

// The NUL search over a mapped file goes ahead of the reader by this much at
// a time, so that it runs over bytes that are about to be read anyway.
constexpr std::size_t kNulScanWindow = std::size_t{256} << 10;

// Mappings from this size on have their pages touched ahead by a second thread.
constexpr std::size_t kTouchedMappingSize = std::size_t{16} << 20;

}  // namespace

InputStream::~InputStream() {
    unmap();
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool InputStream::open(const char* path, bool mapIfPossible) {
    file_ = std::fopen(path, "r");
    if (file_ == nullptr) {
        return false;
    }
    if (mapIfPossible && mapFile()) {
        return true;
    }
    if (!buffer_) {
        buffer_ = std::make_unique<char[]>(kBufferSize);
    }
    begin_ = 0;
    end_ = 0;
    exhausted_ = false;
    nulScannedTo_ = buffer_.get();
    nulAt_ = nullptr;
    return true;
}

bool InputStream::mapFile() {
    struct stat status {};
    if (fstat(fileno(file_), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) {
        return false;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    void* mapping = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fileno(file_), 0);
    if (mapping == MAP_FAILED) {
        return false;  // read it instead
    }
    mapping_ = static_cast<char*>(mapping);
    mappedSize_ = size;
    dataEnd_ = mapping_ + size;
    position_ = mapping_;
    nulScannedTo_ = mapping_;
    nulAt_ = nullptr;
    startTouchingPages();
    return true;
}

void InputStream::startTouchingPages() {
    if (mappedSize_ < kTouchedMappingSize) {
        return;  // a thread would cost more than it saves
    }
    stopTouching_ = false;
    try {
        pageToucher_ = std::thread([this] {
            // One read per page is enough; the sum only keeps the reads.
            constexpr std::size_t kPage = 4096;
            constexpr std::size_t kPagesBetweenChecks = 256;
            unsigned sum = 0;
            for (std::size_t offset = 0; offset < mappedSize_ && !stopTouching_;
                 offset += kPage * kPagesBetweenChecks) {
                const std::size_t end = std::min(mappedSize_, offset + kPage * kPagesBetweenChecks);
                for (std::size_t at = offset; at < end; at += kPage) {
                    sum += static_cast<unsigned char>(mapping_[at]);
                }
            }
            touchedSum_ = sum;
        });
    } catch (const std::system_error&) {
        // No thread to spare: the reader touches the pages itself.
    }
}

void InputStream::stopTouchingPages() {
    if (pageToucher_.joinable()) {
        stopTouching_ = true;
        pageToucher_.join();
    }
}

void InputStream::unmap() {
    stopTouchingPages();
    if (mapping_ != nullptr) {
        munmap(mapping_, mappedSize_);
        mapping_ = nullptr;
        mappedSize_ = 0;
    }
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
    for (;;) {
        const ssize_t got = ::read(fileno(file_), buffer_.get() + end_, kBufferSize - end_);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
            return;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        exhausted_ = true;  // end of file, or a read error
        return;
    }
}

std::string_view InputStream::nextReadPiece(std::size_t limit) {
    if (file_ == nullptr) {
        return {};
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

namespace {

bool sameFile(std::FILE* file, const struct stat& other) {
    struct stat mine {};
    return file != nullptr && fstat(fileno(file), &mine) == 0 && mine.st_dev == other.st_dev &&
           mine.st_ino == other.st_ino;
}

}  // namespace

std::int64_t InputStream::regularFileSize() const {
    struct stat status {};
    if (file_ == nullptr || fstat(fileno(file_), &status) != 0 || !S_ISREG(status.st_mode)) {
        return -1;
    }
    return static_cast<std::int64_t>(status.st_size);
}

bool InputStream::isSameFileAs(const char* path) const {
    struct stat other {};
    return stat(path, &other) == 0 && sameFile(file_, other);
}

bool InputStream::isSameFileAs(int descriptor) const {
    struct stat other {};
    return fstat(descriptor, &other) == 0 && sameFile(file_, other);
}

void InputStream::detachFromFile() {
    if (mapping_ == nullptr) {
        return;
    }
    stopTouchingPages();
    void* copy =
        mmap(nullptr, mappedSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (copy == MAP_FAILED) {
        fatal(kOutOfMemoryMessage);
    }
    std::memcpy(copy, mapping_, static_cast<std::size_t>(dataEnd_ - mapping_));
    // Moving the copy onto the mapping's addresses replaces the mapping in
    // one step, and every piece handed out stays valid.
    if (mremap(copy, mappedSize_, mappedSize_, MREMAP_MAYMOVE | MREMAP_FIXED, mapping_) ==
        MAP_FAILED) {
        munmap(copy, mappedSize_);
        fatal(kOutOfMemoryMessage);
    }
}

bool InputStream::close() {
    unmap();
    if (file_ == nullptr) {
        return true;
    }
    std::FILE* file = file_;
    file_ = nullptr;
    return std::fclose(file) == 0;
}

}  // namespace korvcmp
