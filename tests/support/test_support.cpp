// In-process runs of the pipeline; runs of the korvcmp binary are in
// run_binary_posix.cpp and run_binary_windows.cpp.
#include "support/test_support.h"

#include <filesystem>

#include "driver/fatal.h"
#include "driver/run.h"

namespace korvcmp::testing {

InProcessResult runInProcess(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv{"korvcmp"};
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    InProcessResult result;
    try {
        result.status = runKorvcmp(static_cast<int>(argv.size() - 1), argv.data());
    } catch (const FatalError& error) {
        result.status = -1;
        result.errorOutput = fatalReport(error.what());
    }
    return result;
}

std::string sourcePath(const std::string& relative) {
    return (std::filesystem::path(KORVCMP_SOURCE_DIR) / relative).string();
}

}  // namespace korvcmp::testing
