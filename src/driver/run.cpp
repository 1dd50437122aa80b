// The fixed run sequence and the reporting of fatal errors.
#include "driver/run.h"

#include <unistd.h>

#include <cstdio>
#include <new>
#include <string_view>

#include "compare/listing_comparison.h"
#include "driver/bus_error.h"
#include "driver/command_line.h"
#include "base/fatal.h"
#include "base/arena.h"
#include "driver/process_state.h"
#include "driver/reading_stages.h"
#include "listing/listing_parser.h"
#include "output/compared_listing_writer.h"

namespace korvcmp {
namespace {

bool namesStandardOutput(std::string_view path) {
    return path == "-" || path == "stdout";
}

// True when writing to `path` would overwrite listing 2's file.
bool outputIsListing2(const char* path) {
    return namesStandardOutput(path) ? process.listing2Stream.isSameFileAs(STDOUT_FILENO)
                                     : process.listing2Stream.isSameFileAs(path);
}

}  // namespace

void openOutput(const char* path) {
    if (namesStandardOutput(path)) {
        process.outputStream.useStandardOutput();
        return;
    }
    if (!process.outputStream.createFile(path)) {
        fatal("Cannot create output file \"%s\"", path);
    }
}

int runKorvcmp(int argc, const char* const* argv, std::string* memoryOutput) {
    process.reset();
    if (parseCommandLine(argc, argv) == CommandLineResult::UsageShown) {
        return 0;
    }

    process.listing2 = newRecord<ProfileListing>();
    process.lineCounter = 0;
    openListing(process.listing2Path, process.listing2Stream, *process.listing2);
    readListing2();

    process.listing1 = newRecord<ProfileListing>();
    process.lineCounter = 0;
    openListing(process.listing1Path, process.listing1Stream, *process.listing1);
    readListing1AndCompare();
    finishComparison();

    if (memoryOutput != nullptr) {
        process.outputStream.useMemory(memoryOutput);
    } else {
        // Listing 2's lines are written from its mapping: when the output
        // replaces listing 2, they must first stop depending on the file.
        if (outputIsListing2(process.outputPath)) {
            process.listing2Stream.detachFromFile();
        }
        openOutput(process.outputPath);
        // The output of a large listing 2 is written out on the worker's
        // thread while this one composes what follows.
        if (useWorkerFor(process.listing2Stream)) {
            process.outputStream.writeWith(&process.worker);
        }
    }
    writeComparedListing();
    closeStreams();
    return 0;
}

void closeStreams() {
    if (!process.listing1Stream.close()) {
        fatal("Could not close 1st input profile file");
    }
    if (!process.listing2Stream.close()) {
        fatal("Could not close 2nd input profile file");
    }
    // A write that failed on the way counts as a failed close: the output is
    // incomplete and must not be reported as a success.
    const bool outputClosed = process.outputStream.close();
    process.worker.stop();
    if (!outputClosed) {
        fatal("Could not close output profile file");
    }
}

int korvcmpMain(int argc, const char* const* argv) {
    reportBusErrorsAsReadErrors();
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
