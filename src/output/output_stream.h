// The destination of the compared listing: standard output, a created file,
// a replacement of an input, or (for tests) memory. Everything goes through
// one large buffer, and any failed write is remembered so that closing can
// report it. With a worker, a full buffer is written out on the worker's
// thread while the next one is filled. Everything writing needs is made
// before the destination is opened: from then on nothing is allocated, so
// running out of memory can never leave an emptied file behind.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/background_worker.h"
#include "platform/output_file.h"

namespace korvcmp {

class OutputStream {
  public:
    OutputStream() = default;
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    // Makes the buffers, two when `worker` (running until close()) is to
    // write full ones out. Opening prepares without a worker when this was
    // not called.
    void prepare(BackgroundWorker* worker = nullptr);

    // Creates or empties the file at `path`; false when that fails. Its lines
    // end as `lineEnds` says (LineEnds::asWritten: the same bytes on every system).
    bool createFile(const char* path, LineEnds lineEnds = LineEnds::system);
    // Writes a new file that replaces the file at `path` when the output is
    // closed successfully, and is removed otherwise; false when it cannot be
    // created.
    bool createReplacement(const char* path, LineEnds lineEnds = LineEnds::system);
    void useStandardOutput(LineEnds lineEnds = LineEnds::system);
    // Collects the output in `sink` instead of writing it anywhere.
    void useMemory(std::string* sink);
    bool isOpen() const { return file_.isOpen() || memory_ != nullptr; }

    void write(std::string_view text) {
        if (text.size() > kBufferSize - used_) {
            writeLong(text);
            return;
        }
        // An empty view may have no data at all, which memcpy must not see.
        if (!text.empty()) {
            std::memcpy(buffer_.get() + used_, text.data(), text.size());
            used_ += text.size();
        }
    }
    void put(char c) {
        if (used_ == kBufferSize) {
            flush();
        }
        buffer_[used_++] = c;
    }
    void writeInteger(std::int64_t value);

    // Room for `size` more characters at once (size <= kBufferSize), made by
    // writing out what is buffered when they do not fit: the caller writes
    // them from the pointer returned and hands their end to commit(). Saves
    // a test and a call per part on the lines written most.
    char* reserve(std::size_t size) {
        if (size > kBufferSize - used_) {
            flush();
        }
        return buffer_.get() + used_;
    }
    void commit(const char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

    // True once a write failed (seen here a buffer late when the worker
    // writes); nothing is written after that.
    bool failed() const { return failed_.load(std::memory_order_relaxed); }
    // Why the failed write or close failed; read it after close().
    SystemFailure failure() const { return file_.failure(); }

    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

    // Writes out what the buffer holds.
    void flush();
    // Flushes and closes; false when any write or the close failed, in which
    // case a replacement is removed and the file it was to replace is kept.
    bool close();
    // After an error elsewhere: drops what is buffered, closes, and removes a
    // replacement. The worker must have stopped.
    void abandon();

  private:
    void openPrepared();
    void writeLong(std::string_view text);
    void emit(const char* data, std::size_t size);
    // Waits until the worker has written everything handed to it.
    void waitForWrites();

    OutputFile file_;
    std::string* memory_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::atomic<bool> failed_{false};  // written by the worker while it writes
    BackgroundWorker* worker_ = nullptr;
    std::unique_ptr<char[]> written_;  // the buffer the worker writes out
    std::size_t writtenSize_ = 0;      // how much of it
    std::uint64_t writtenJob_ = 0;     // the worker's job that writes it
};

}  // namespace korvcmp
