// libFuzzer entry for korvcmp: one input is a pair of listings, which run
// through the whole pipeline in this process.
//
// The input is cut into listing 1 and listing 2 at the first separator line
// "=====8<=====": listing 1 is everything before that line (its newline
// included), listing 2 everything after it. Without a separator line the
// whole input serves as both listings. The two listings are written to files
// in a private directory, because the pipeline reads its listings by path.
//
// Inputs of odd size are read with the worker thread, the others without.
//
// A run may end in two ways: the compared listing is complete, or the run
// stops with a fatal error (FatalError, or std::bad_alloc for memory that ran
// out). Anything else - a crash, a sanitizer report, another exception, a
// hang - is a finding.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "base/fatal.h"
#include "driver/run.h"

namespace {

constexpr std::string_view kSeparatorLine = "=====8<=====\n";

struct Workspace {
    std::string directory;
    std::string listing1Path;
    std::string listing2Path;
    std::string outputPath;  // named on the command line; never opened
};

[[noreturn]] void finding(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "korvcmp_fuzz: %s%s%.*s\n", what, detail.empty() ? "" : ": ",
                 static_cast<int>(detail.size()), detail.data());
    std::abort();
}

bool isDirectory(const char* path) {
    struct stat status {};
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode) && access(path, W_OK) == 0;
}

constexpr std::string_view kDirectoryPrefix = "korvcmp-fuzz-";

// Removes the directories that fuzzing processes which no longer run left
// behind when they ended on a finding (their directory names hold their
// process ids). The directories of running processes stay.
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
            const std::string directory = parent + "/" + std::string(name);
            unlink((directory + "/listing1.lst").c_str());
            unlink((directory + "/listing2.lst").c_str());
            rmdir(directory.c_str());
        }
    }
    closedir(listing);
}

// The directory for the listing files: under /dev/shm where it exists, so
// that the files never touch a disk, else under $TMPDIR or /tmp.
std::string makeDirectory() {
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
        std::perror("korvcmp_fuzz: mkdtemp");
        std::exit(1);
    }
    return pattern;
}

Workspace& workspace() {
    static Workspace* const space = [] {
        auto* made = new Workspace;
        made->directory = makeDirectory();
        made->listing1Path = made->directory + "/listing1.lst";
        made->listing2Path = made->directory + "/listing2.lst";
        made->outputPath = made->directory + "/compared.lst";
        std::atexit([] {
            const Workspace& done = workspace();
            unlink(done.listing1Path.c_str());
            unlink(done.listing2Path.c_str());
            rmdir(done.directory.c_str());
        });
        return made;
    }();
    return *space;
}

void writeFile(const std::string& path, std::string_view content) {
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

struct ListingPair {
    std::string_view listing1;
    std::string_view listing2;
};

ListingPair split(std::string_view input) {
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

// Properties every compared listing has, whatever its input: it begins with
// the banner's row of stars, holds the summary heading, ends with a newline,
// and, as it is made of whole input lines, holds no NUL character.
void checkOutput(const std::string& output) {
    if (output.empty()) {
        finding("a successful run wrote nothing");
    }
    if (output.front() != '*' || output.back() != '\n') {
        finding("the compared listing is cut short or does not begin with its banner");
    }
    if (output.find("\nSUMMARY\n=======\n\n") == std::string::npos) {
        finding("the compared listing has no summary heading");
    }
    if (output.find('\0') != std::string::npos) {
        finding("the compared listing holds a NUL character");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Workspace& space = workspace();
    const ListingPair pair = split({reinterpret_cast<const char*>(data), size});
    writeFile(space.listing1Path, pair.listing1);
    writeFile(space.listing2Path, pair.listing2);

    const char* const argv[] = {"korvcmp",
                                "-i1",
                                space.listing1Path.c_str(),
                                "-i2",
                                space.listing2Path.c_str(),
                                "-p",
                                space.outputPath.c_str()};
    // Inputs of odd size are read with the worker thread, in small batches,
    // so that the hand-overs between the threads are fuzzed too; the others
    // are read on one thread.
    const bool withWorker = size % 2 == 1;
    static std::string output;
    output.clear();
    korvcmp::RunOptions options;
    options.workerFromSize = withWorker ? 0 : INT64_MAX;
    options.workerBatchLines = 1 + static_cast<std::int64_t>(size % 7);
    options.memoryOutput = &output;
    try {
        const int status = korvcmp::runKorvcmp(static_cast<int>(std::size(argv)), argv, options);
        if (status != 0) {
            finding("a run without a fatal error returned", std::to_string(status));
        }
        checkOutput(output);
    } catch (const korvcmp::FatalError&) {
        // The input was rejected with one of the program's messages.
    } catch (const std::bad_alloc&) {
        // Memory ran out: the program's out-of-memory end.
    } catch (const std::exception& error) {
        finding("unexpected exception", error.what());
    } catch (...) {
        finding("unexpected exception of unknown type");
    }
    return 0;
}
