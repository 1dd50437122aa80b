// Buffered writing of the compared listing.
#include "output/output_stream.h"

#include <charconv>

namespace korvcmp {

OutputStream::~OutputStream() {
    if (file_ != nullptr && file_ != stdout) {
        std::fclose(file_);
    }
}

void OutputStream::prepare() {
    if (!buffer_) {
        buffer_ = std::make_unique<char[]>(kBufferSize);
    }
    used_ = 0;
    failed_ = false;
}

bool OutputStream::createFile(const char* path) {
    file_ = std::fopen(path, "w");
    if (file_ == nullptr) {
        return false;
    }
    std::setvbuf(file_, nullptr, _IONBF, 0);
    prepare();
    return true;
}

void OutputStream::useStandardOutput() {
    file_ = stdout;
    prepare();
}

void OutputStream::useMemory(std::string* sink) {
    memory_ = sink;
    prepare();
}

void OutputStream::emit(const char* data, std::size_t size) {
    if (memory_ != nullptr) {
        memory_->append(data, size);
        return;
    }
    if (file_ == nullptr || failed_) {
        failed_ = true;
        return;
    }
    if (std::fwrite(data, 1, size, file_) != size) {
        failed_ = true;
    }
}

void OutputStream::flush() {
    if (used_ > 0) {
        emit(buffer_.get(), used_);
        used_ = 0;
    }
}

void OutputStream::writeLong(std::string_view text) {
    flush();
    if (text.size() >= kBufferSize) {
        emit(text.data(), text.size());
        return;
    }
    std::memcpy(buffer_.get(), text.data(), text.size());
    used_ = text.size();
}

void OutputStream::writeInteger(std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    write(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
}

bool OutputStream::close() {
    if (!isOpen()) {
        return true;
    }
    flush();
    bool ok = !failed_;
    if (file_ != nullptr) {
        if (std::ferror(file_) != 0) {
            ok = false;
        }
        if (std::fclose(file_) != 0) {
            ok = false;
        }
    }
    file_ = nullptr;
    memory_ = nullptr;
    return ok;
}

}  // namespace korvcmp
