// Temporary files for tests, and reading files back, with the standard
// library alone, so that tests of the lowest layers build on every system
// without the rest of the program.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace korvcmp::testing {

// A fresh directory that is removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `content` to the file `name` in the directory; returns its path.
    std::string write(const std::string& name, const std::string& content) const;
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// How text files end their lines on this system, and so the lines of what
// korvcmp writes.
#ifdef _WIN32
inline constexpr std::string_view kTextLineEnd = "\r\n";
#else
inline constexpr std::string_view kTextLineEnd = "\n";
#endif

// The file's bytes as they are.
std::string readFile(const std::string& path);
// `text` written with this system's line ends, with each of them turned into
// LF: what tests expect of korvcmp's output is the same text on every system.
std::string withLfLineEnds(std::string_view text);
// A text file korvcmp wrote, its line ends turned into LF (withLfLineEnds).
std::string readTextFile(const std::string& path);
bool fileExists(const std::string& path);

}  // namespace korvcmp::testing
