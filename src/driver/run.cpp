// The fixed run sequence and the reporting of fatal errors.
#include "driver/run.h"

#include <cstdio>
#include <new>
#include <optional>
#include <string_view>

#include "base/fatal.h"
#include "compare/listing_comparison.h"
#include "driver/command_line.h"
#include "driver/reading_stages.h"
#include "driver/run_state.h"
#include "output/compared_listing_writer.h"
#include "platform/mapping_guard.h"
#include "platform/system_memory.h"

namespace korvcmp {
namespace {

bool namesStandardOutput(std::string_view path) {
    return path == "-" || path == "stdout";
}

// True when writing to `path` would overwrite listing 2's file.
bool outputIsListing2(const RunState& run, const char* path) {
    const InputStream& listing2 = run.listing2Reader.stream();
    return namesStandardOutput(path) ? listing2.isSameFileAsStandardOutput()
                                     : listing2.isSameFileAs(path);
}

}  // namespace

void openOutput(RunState& run, const char* path) {
    if (namesStandardOutput(path)) {
        run.outputStream.useStandardOutput();
        return;
    }
    if (!run.outputStream.createFile(path)) {
        fatal("Cannot create output file \"%s\"", path);
    }
}

int runKorvcmp(int argc, const char* const* argv, const RunOptions& options) {
    const std::optional<CommandLine> commandLine = parseCommandLine(argc, argv);
    if (!commandLine) {
        return 0;
    }
    RunState run(*commandLine, options, systemMemory());

    run.listing2Reader.reportMappingFaultsAsReadErrors();
    readListing2(run);
    readListing1AndCompare(run);
    finishComparison(*run.listing2);

    if (options.memoryOutput != nullptr) {
        run.outputStream.useMemory(options.memoryOutput);
    } else {
        // Listing 2's lines are written from its mapping: when the output
        // replaces listing 2, they must first stop depending on the file.
        if (outputIsListing2(run, run.paths.outputPath)) {
            run.listing2Reader.stream().detachFromFile();
        }
        openOutput(run, run.paths.outputPath);
        // The output of a large listing 2 is written out on the worker's
        // thread while this one composes what follows.
        if (startWorkerIfWorthwhile(run, run.listing2Reader)) {
            run.outputStream.writeWith(&run.worker);
        }
    }
    writeComparedListing(run.outputStream, *run.listing1, *run.listing2, run.paths.listing1Path,
                         run.paths.listing2Path, currentTimeText());
    closeStreams(run);
    return 0;
}

void closeStreams(RunState& run) {
    if (!run.listing1Reader.close()) {
        fatal("Could not close 1st input profile file");
    }
    if (!run.listing2Reader.close()) {
        fatal("Could not close 2nd input profile file");
    }
    // A write that failed on the way counts as a failed close: the output is
    // incomplete and must not be reported as a success.
    const bool outputClosed = run.outputStream.close();
    run.worker.stop();
    if (!outputClosed) {
        fatal("Could not close output profile file");
    }
}

int korvcmpMain(int argc, const char* const* argv) {
    installMappingFaultHandler();
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    std::string report;
    try {
        return runKorvcmp(argc, argv);
    } catch (const FatalError& error) {
        report = fatalReport(error.what());
    } catch (const std::bad_alloc&) {
        report = fatalReport(kOutOfMemoryMessage);
    }
    std::fwrite(report.data(), 1, report.size(), stderr);
    return -1;
}

}  // namespace korvcmp
