// Writing the buffered output out, and keeping the first failure.
#include "lost/output_buffer.h"

#include <algorithm>
#include <cerrno>
#include <charconv>

namespace korvcmp {

OutputBuffer::OutputBuffer(std::FILE* file)
    : file_(file), buffer_(std::make_unique<char[]>(kCapacity)) {}

OutputBuffer::OutputBuffer(std::string* memory)
    : memory_(memory), buffer_(std::make_unique<char[]>(kCapacity)) {}

void OutputBuffer::writeNumber(std::int64_t number) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    write(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
}

void OutputBuffer::writeLong(std::string_view text) {
    while (!text.empty()) {
        const std::size_t part = std::min(text.size(), kCapacity - used_);
        std::memcpy(buffer_.get() + used_, text.data(), part);
        used_ += part;
        text.remove_prefix(part);
        if (used_ == kCapacity) {
            flush();
        }
    }
}

bool OutputBuffer::flush() {
    const std::size_t size = used_;
    used_ = 0;
    if (failed_ || size == 0) {
        return !failed_;
    }
    if (memory_ != nullptr) {
        memory_->append(buffer_.get(), size);
        return true;
    }
    errno = 0;
    if (std::fwrite(buffer_.get(), 1, size, file_) != size || std::fflush(file_) != 0) {
        failed_ = true;
        failureError_ = errno;
    }
    return !failed_;
}

}  // namespace korvcmp
