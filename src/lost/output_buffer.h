// korvcmp-lost's output, gathered in one buffer and written out in large
// blocks: to a file (standard output) or, for tests, to memory. A failed
// write is remembered with the system's error number, and nothing is written
// after it, so that a run never ends as a success after a lost write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace korvcmp {

class OutputBuffer {
  public:
    explicit OutputBuffer(std::FILE* file);
    explicit OutputBuffer(std::string* memory);
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

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
            flush();
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
            flush();
        }
        return buffer_.get() + used_;
    }
    void commit(const char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

    // Writes out what is buffered; false when this or any earlier write failed.
    bool flush();
    bool failed() const { return failed_; }
    // The system's error number of the failed write.
    int failureError() const { return failureError_; }

    static constexpr std::size_t kCapacity = std::size_t{64} << 10;

  private:
    void writeLong(std::string_view text);

    std::FILE* file_ = nullptr;
    std::string* memory_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
    int failureError_ = 0;
};

}  // namespace korvcmp
