// Temporary directories, in-process runs and the compared listing without its time.
#include "support/test_support.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "base/fatal.h"

namespace korvcmp::testing {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("korvcmp-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& content) const {
    const std::string target = file(name);
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

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

InProcessResult runInProcess(const std::vector<std::string>& arguments, const RunOptions& options) {
    std::vector<const char*> argv{"korvcmp"};
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    InProcessResult result;
    try {
        result.status = runKorvcmp(static_cast<int>(argv.size() - 1), argv.data(), options);
    } catch (const FatalError& error) {
        result.status = -1;
        result.errorOutput = fatalReport(error.what());
    }
    return result;
}

std::string withoutTime(std::string listing) {
    const std::string label = "\nListing produced at   : ";
    const std::size_t start = listing.find(label);
    if (start == std::string::npos) {
        ADD_FAILURE() << "no time line";
        return listing;
    }
    const std::size_t time = start + label.size();
    const std::size_t end = listing.find('\n', time);
    EXPECT_TRUE(std::regex_match(
        listing.substr(time, end - time),
        std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)"
                   " [ 123][0-9] [012][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}")));
    return listing.replace(time, end - time, "<time>");
}

std::string sourcePath(const std::string& relative) {
    return (std::filesystem::path(KORVCMP_SOURCE_DIR) / relative).string();
}

}  // namespace korvcmp::testing
