// Block reading of a listing file.
#include "listing/input_stream.h"

#include <cstring>

namespace korvcmp {
namespace {

// One read fetches up to this much; large blocks keep the number of system
// calls small on files of hundreds of megabytes.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
constexpr std::size_t kBufferSize = kBlockSize + InputStream::kMaxPiece;

}  // namespace

InputStream::~InputStream() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool InputStream::open(const char* path) {
    file_ = std::fopen(path, "r");
    if (file_ == nullptr) {
        return false;
    }
    // Reads go straight into our own buffer; a stdio buffer would only add a copy.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (!buffer_) {
        buffer_ = std::make_unique<char[]>(kBufferSize);
    }
    begin_ = 0;
    end_ = 0;
    exhausted_ = false;
    return true;
}

void InputStream::refill() {
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    while (!exhausted_ && end_ < kMaxPiece) {
        const std::size_t got = std::fread(buffer_.get() + end_, 1, kBufferSize - end_, file_);
        end_ += got;
        if (got == 0) {
            exhausted_ = true;
        }
    }
}

std::string_view InputStream::nextPiece(std::size_t limit) {
    if (file_ == nullptr) {
        return {};
    }
    if (end_ - begin_ < limit && !exhausted_) {
        refill();
    }
    const std::size_t available = end_ - begin_ < limit ? end_ - begin_ : limit;
    const char* start = buffer_.get() + begin_;
    const void* newline = std::memchr(start, '\n', available);
    const std::size_t length =
        newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - start) + 1
                           : available;
    begin_ += length;
    return {start, length};
}

bool InputStream::close() {
    if (file_ == nullptr) {
        return true;
    }
    std::FILE* file = file_;
    file_ = nullptr;
    return std::fclose(file) == 0;
}

}  // namespace korvcmp
