// Buffered writing of the compared listing.
#include "output/output_stream.h"

#include <charconv>
#include <utility>

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

void OutputStream::writeWith(BackgroundWorker* worker) {
    worker_ = worker;
    writtenJob_ = 0;
    if (worker_ != nullptr && !written_) {
        written_ = std::make_unique<char[]>(kBufferSize);
    }
}

void OutputStream::waitForWrites() {
    if (worker_ != nullptr) {
        worker_->waitFor(worker_->posted());
    }
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
    if (used_ == 0) {
        return;
    }
    if (worker_ == nullptr || memory_ != nullptr) {
        emit(buffer_.get(), used_);
        used_ = 0;
        return;
    }
    // The other buffer is filled while the worker writes this one out.
    worker_->waitFor(writtenJob_);
    worker_->post([this, data = buffer_.get(), size = used_] { emit(data, size); });
    writtenJob_ = worker_->posted();
    std::swap(buffer_, written_);
    used_ = 0;
}

void OutputStream::writeLong(std::string_view text) {
    flush();
    if (text.size() >= kBufferSize) {
        waitForWrites();
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
    waitForWrites();
    worker_ = nullptr;
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
