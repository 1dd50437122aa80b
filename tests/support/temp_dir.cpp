// Temporary directories and whole-file reads for tests, as bytes or as text.
#include "support/temp_dir.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace korvcmp::testing {

TempDir::TempDir() {
    // A random part keeps test processes that run side by side apart; the
    // directory must be new, so a name that is taken is never reused.
    static std::atomic<unsigned> counter{0};
    static const unsigned processPart = std::random_device{}();
    for (;;) {
        path_ = std::filesystem::temp_directory_path() /
                ("korvcmp-test-" + std::to_string(processPart) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(path_)) {
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& content) const {
    std::string target = file(name);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + target);
    }
    return target;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string withLfLineEnds(std::string_view text) {
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t at = text.find(kTextLineEnd); at != std::string_view::npos;
         at = text.find(kTextLineEnd)) {
        lines.append(text.substr(0, at)).push_back('\n');
        text.remove_prefix(at + kTextLineEnd.size());
    }
    return lines.append(text);
}

std::string readTextFile(const std::string& path) {
    return withLfLineEnds(readFile(path));
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

}  // namespace korvcmp::testing
