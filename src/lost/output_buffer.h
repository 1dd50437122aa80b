// korvcmp-lost's output, gathered in one buffer and written out in large
// blocks: to a file (standard output) or, for tests, to memory. A failed
// write is remembered with the system's error number, and nothing is written
// after it, so that a run never ends as a success after a lost write. With a
// worker, a full buffer is written out on the worker's thread while the next
// one is filled.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/background_worker.h"

namespace korvcmp {

class OutputBuffer {
  public:
    explicit OutputBuffer(std::FILE* file);
    explicit OutputBuffer(std::string* memory);
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;
    ~OutputBuffer() { stopWritingBehind(); }

    // From now on, full buffers of a file output are written out by
    // `worker` (running until stopWritingBehind), which may do other jobs in
    // between. Makes the second buffer; without memory for it, everything
    // stays on this thread.
    void writeBehindOn(BackgroundWorker& worker);
    // Waits until the worker has written everything handed to it, and
    // writes on this thread again.
    void stopWritingBehind();

    void write(std::string_view text) {
        if (text.size() > kCapacity - used_) {
            writeLong(text);
            return;
        }
        std::memcpy(buffer_.get() + used_, text.data(), text.size());
        used_ += text.size();
    }
    void write(char c) {
        if (used_ == kCapacity) {
            handOver();
        }
        buffer_[used_++] = c;
    }
    void writeNumber(std::int64_t number);

    // Room for `size` more characters at once (size <= kCapacity), made by
    // writing out what is buffered when they do not fit: the caller writes
    // them from the pointer returned and hands their end to commit(). Saves
    // a test and a call per part on the lines written most.
    char* reserve(std::size_t size) {
        if (size > kCapacity - used_) {
            handOver();
        }
        return buffer_.get() + used_;
    }
    void commit(const char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

    // Writes out what is buffered, and waits for the worker's writes; false
    // when this or any earlier write failed.
    bool flush();
    // True once a write failed (seen here a block late when the worker writes).
    bool failed() const { return failed_.load(std::memory_order_relaxed); }
    // The system's error number of the failed write; read it after flush().
    int failureError() const { return failureError_; }

    static constexpr std::size_t kCapacity = std::size_t{256} << 10;

  private:
    void writeLong(std::string_view text);
    // Passes the full buffer on: to the worker, or written out at once.
    void handOver();
    void writeOut(const char* data, std::size_t size);

    std::FILE* file_ = nullptr;
    std::string* memory_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::atomic<bool> failed_{false};  // set by the thread that writes
    int failureError_ = 0;
    // Writing behind: the worker writes `spare_` out while `buffer_` fills.
    BackgroundWorker* worker_ = nullptr;
    std::unique_ptr<char[]> spare_;
    std::size_t spareSize_ = 0;    // how much of it is to be written
    std::uint64_t lastWrite_ = 0;  // the worker's count once the last write is done
};

}  // namespace korvcmp
