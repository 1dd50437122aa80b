// Temporary files for tests, with the standard library alone, so that tests
// of the lowest layers build on every system without the rest of the program.
#pragma once

#include <filesystem>
#include <string>

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

std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

}  // namespace korvcmp::testing
