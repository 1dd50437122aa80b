// A listing file opened for reading, read in large blocks. It hands out the
// file's text piece by piece in the way a bounded line read does: at most a
// given number of characters, stopping after the first newline.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string_view>

namespace korvcmp {

class InputStream {
  public:
    InputStream() = default;
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;
    ~InputStream();

    // Opens the file at `path` for reading; false when it cannot be opened.
    bool open(const char* path);
    bool isOpen() const { return file_ != nullptr; }

    // The next piece of the file: at most `limit` characters (limit <= kMaxPiece),
    // up to and including the first newline. Empty at the end of the file or
    // after a read error. The piece stays valid until the next call.
    std::string_view nextPiece(std::size_t limit);

    // Closes the file; false when closing fails.
    bool close();

    static constexpr std::size_t kMaxPiece = 4096;

  private:
    void refill();

    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool exhausted_ = false;  // end of file reached, or reading failed
};

}  // namespace korvcmp
