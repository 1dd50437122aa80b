// In-process runs of the pipeline and the compared listing without its time;
// runs of the korvcmp binary are in run_binary_posix.cpp and
// run_binary_windows.cpp.
#include "support/test_support.h"

#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "base/fatal.h"

namespace korvcmp::testing {

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

std::string repeatedExample(const std::string& name, std::size_t bytes) {
    const std::string example = readFile(sourcePath("examples/" + name));
    const std::size_t sections = example.find("MONITORED ");
    const std::size_t summary = example.find("\nSUMMARY\n") + 1;
    std::string listing = example.substr(0, sections);
    listing.reserve(bytes + example.size());
    while (listing.size() < bytes) {
        listing.append(example, sections, summary - sections);
    }
    return listing + example.substr(summary);
}

}  // namespace korvcmp::testing
