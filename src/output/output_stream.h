// The destination of the compared listing: standard output, a created file,
// or (for tests) memory. Everything goes through one large buffer, and any
// failed write is remembered so that closing can report it. With a worker,
// a full buffer is written out on the worker's thread while the next one is
// filled.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/background_worker.h"

namespace korvcmp {

class OutputStream {
  public:
    OutputStream() = default;
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;
    ~OutputStream();

    // Creates or empties the file at `path`; false when that fails.
    bool createFile(const char* path);
    void useStandardOutput();
    // Collects the output in `sink` instead of writing it anywhere.
    void useMemory(std::string* sink);
    // Has `worker` write out each full buffer, once a file or standard
    // output is open. The worker must run until close().
    void writeWith(BackgroundWorker* worker);
    bool isOpen() const { return file_ != nullptr || memory_ != nullptr; }
    // The file descriptor of a file or standard output; -1 for memory or none.
    int descriptor() const { return file_ != nullptr ? fileno(file_) : -1; }

    void write(std::string_view text) {
        if (text.size() > kBufferSize - used_) {
            writeLong(text);
            return;
        }
        std::memcpy(buffer_.get() + used_, text.data(), text.size());
        used_ += text.size();
    }
    void put(char c) {
        if (used_ == kBufferSize) {
            flush();
        }
        buffer_[used_++] = c;
    }
    void writeInteger(std::int64_t value);

    // Writes out what the buffer holds.
    void flush();
    // Flushes and closes; false when any write or the close failed.
    bool close();

  private:
    void prepare();
    void writeLong(std::string_view text);
    void emit(const char* data, std::size_t size);
    // Waits until the worker has written everything handed to it.
    void waitForWrites();

    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;
    std::FILE* file_ = nullptr;
    std::string* memory_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;  // written by the worker while it writes
    BackgroundWorker* worker_ = nullptr;
    std::unique_ptr<char[]> written_;  // the buffer the worker writes out
    std::uint64_t writtenJob_ = 0;     // the worker's job that writes it
};

}  // namespace korvcmp
