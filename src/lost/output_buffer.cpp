// Writing the buffered output out, on this thread or the worker's, and
// keeping the first failure.
#include "lost/output_buffer.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <new>
#include <utility>

namespace korvcmp {

OutputBuffer::OutputBuffer(std::FILE* file)
    : file_(file), buffer_(std::make_unique<char[]>(kCapacity)) {}

OutputBuffer::OutputBuffer(std::string* memory)
    : memory_(memory), buffer_(std::make_unique<char[]>(kCapacity)) {}

void OutputBuffer::writeBehindOn(BackgroundWorker& worker) {
    if (file_ == nullptr || !worker.isRunning()) {
        return;
    }
    try {
        if (!spare_) {
            spare_ = std::make_unique<char[]>(kCapacity);
        }
    } catch (const std::bad_alloc&) {
        return;  // written on this thread, as without a worker
    }
    worker_ = &worker;
}

void OutputBuffer::stopWritingBehind() {
    if (worker_ != nullptr) {
        // Writes raise no errors: they are kept in failed_.
        try {
            worker_->waitFor(lastWrite_);
        } catch (...) {  // NOLINT(bugprone-empty-catch)
        }
        worker_ = nullptr;
    }
}

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
            handOver();
        }
    }
}

void OutputBuffer::handOver() {
    const std::size_t size = used_;
    used_ = 0;
    if (size == 0 || failed()) {
        return;  // nothing is written after a failure
    }
    if (worker_ == nullptr) {
        writeOut(buffer_.get(), size);
        return;
    }
    // The worker is done with the spare buffer once its last write is.
    worker_->waitFor(lastWrite_);
    std::swap(buffer_, spare_);
    spareSize_ = size;
    // The job captures only `this`, so handing it over allocates nothing.
    worker_->post([this] { writeOut(spare_.get(), spareSize_); });
    lastWrite_ = worker_->posted();
}

void OutputBuffer::writeOut(const char* data, std::size_t size) {
    if (failed()) {
        return;
    }
    if (memory_ != nullptr) {
        memory_->append(data, size);
        return;
    }
    errno = 0;
    if (std::fwrite(data, 1, size, file_) != size || std::fflush(file_) != 0) {
        failureError_ = errno;
        failed_.store(true, std::memory_order_relaxed);
    }
}

bool OutputBuffer::flush() {
    handOver();
    if (worker_ != nullptr) {
        worker_->waitFor(lastWrite_);
    }
    return !failed();
}

}  // namespace korvcmp
