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
#include "fuzz_workspace.h"

namespace {

// The files of one run: the two listings, and the output path named on the
// command line, which is never opened (the output goes to memory).
struct Workspace {
    std::string listing1Path = korvcmp::fuzzing::fuzzFilePath("listing1.lst");
    std::string listing2Path = korvcmp::fuzzing::fuzzFilePath("listing2.lst");
    std::string outputPath = korvcmp::fuzzing::fuzzFilePath("compared.lst");
};

[[noreturn]] void finding(const char* what, std::string_view detail = {}) {
    korvcmp::fuzzing::fuzzFinding("korvcmp_fuzz", what, detail);
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
    static const Workspace space;
    const korvcmp::fuzzing::ListingPair pair =
        korvcmp::fuzzing::splitListingPair({reinterpret_cast<const char*>(data), size});
    korvcmp::fuzzing::writeFuzzFile(space.listing1Path, pair.listing1);
    korvcmp::fuzzing::writeFuzzFile(space.listing2Path, pair.listing2);

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
