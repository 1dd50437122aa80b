// Buffered writing of the compared listing.
#include "output/output_stream.h"

#include <charconv>
#include <utility>

namespace korvcmp {

void OutputStream::prepare(BackgroundWorker* worker) {
    if (!buffer_) {
        buffer_ = std::make_unique<char[]>(kBufferSize);
    }
    worker_ = worker;
    if (worker_ != nullptr && !written_) {
        written_ = std::make_unique<char[]>(kBufferSize);
    }
    used_ = 0;
    failed_.store(false, std::memory_order_relaxed);
    writtenJob_ = worker_ != nullptr ? worker_->posted() : 0;
}

void OutputStream::openPrepared() {
    if (!buffer_) {
        prepare();
    }
}

bool OutputStream::createFile(const char* path, LineEnds lineEnds) {
    openPrepared();
    return file_.create(path, lineEnds);
}

bool OutputStream::createReplacement(const char* path, LineEnds lineEnds) {
    openPrepared();
    return file_.createReplacement(path, lineEnds);
}

void OutputStream::useStandardOutput(LineEnds lineEnds) {
    openPrepared();
    file_.useStandardOutput(lineEnds);
}

void OutputStream::useMemory(std::string* sink) {
    openPrepared();
    memory_ = sink;
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
    if (failed() || !file_.write(data, size)) {
        failed_.store(true, std::memory_order_relaxed);
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
    // The other buffer is filled while the worker writes this one out. The
    // job takes only `this`, so handing it over allocates nothing.
    worker_->waitFor(writtenJob_);
    std::swap(buffer_, written_);
    writtenSize_ = used_;
    used_ = 0;
    worker_->post([this] { emit(written_.get(), writtenSize_); });
    writtenJob_ = worker_->posted();
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
    memory_ = nullptr;
    if (failed()) {
        // An incomplete output must not take the place of a replaced file.
        file_.abandon();
        return false;
    }
    return file_.close();
}

void OutputStream::abandon() {
    worker_ = nullptr;
    memory_ = nullptr;
    used_ = 0;
    file_.abandon();
}

}  // namespace korvcmp
