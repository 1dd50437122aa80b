// The fuzz targets' private folder and its files.
#include "fuzz_workspace.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace korvcmp::fuzzing {
namespace {

constexpr std::string_view kDirectoryPrefix = "korvcmp-fuzz-";

bool isDirectory(const char* path) {
    struct stat status {};
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode) && access(path, W_OK) == 0;
}

// Removes the files of `directory`, then the directory itself.
void removeFolder(const std::string& directory) {
    if (DIR* listing = opendir(directory.c_str())) {
        while (const dirent* entry = readdir(listing)) {
            const std::string_view name = entry->d_name;
            if (name != "." && name != "..") {
                unlink((directory + "/" + std::string(name)).c_str());
            }
        }
        closedir(listing);
    }
    rmdir(directory.c_str());
}

// Removes the folders that fuzzing processes which no longer run left behind
// when they ended on a finding (the folder names hold their process ids). The
// folders of running processes stay.
void removeLeftovers(const std::string& parent) {
    DIR* listing = opendir(parent.c_str());
    if (listing == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(kDirectoryPrefix)) {
            continue;
        }
        const long owner = std::strtol(entry->d_name + kDirectoryPrefix.size(), nullptr, 10);
        if (owner <= 0 || (kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH)) {
            removeFolder(parent + "/" + std::string(name));
        }
    }
    closedir(listing);
}

std::string makeFolder() {
    std::string parent = "/tmp";
    if (isDirectory("/dev/shm")) {
        parent = "/dev/shm";
    } else if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && isDirectory(tmp)) {
        parent = tmp;
    }
    removeLeftovers(parent);
    std::string pattern =
        parent + "/" + std::string(kDirectoryPrefix) + std::to_string(getpid()) + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("fuzz: mkdtemp");
        std::exit(1);
    }
    return pattern;
}

const std::string& folder() {
    static const std::string* const made = [] {
        auto* path = new std::string(makeFolder());
        std::atexit([] { removeFolder(folder()); });
        return path;
    }();
    return *made;
}

}  // namespace

std::string fuzzFilePath(std::string_view name) {
    return folder() + "/" + std::string(name);
}

void writeFuzzFile(const std::string& path, std::string_view content) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::perror(path.c_str());
        std::exit(1);
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    if (std::fclose(file) != 0 || !written) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

void fuzzFinding(const char* target, const char* what, std::string_view detail) {
    std::fprintf(stderr, "%s: %s%s%.*s\n", target, what, detail.empty() ? "" : ": ",
                 static_cast<int>(detail.size()), detail.data());
    std::abort();
}

ListingPair splitListingPair(std::string_view input) {
    constexpr std::string_view kSeparatorLine = "=====8<=====\n";
    if (input.starts_with(kSeparatorLine)) {
        return {input.substr(0, 0), input.substr(kSeparatorLine.size())};
    }
    const std::string separator = "\n" + std::string(kSeparatorLine);
    const std::size_t at = input.find(separator);
    if (at == std::string_view::npos) {
        return {input, input};
    }
    return {input.substr(0, at + 1), input.substr(at + separator.size())};
}

}  // namespace korvcmp::fuzzing
