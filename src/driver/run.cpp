// The fixed run sequence and the reporting of fatal errors.
#include "driver/run.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <system_error>

#include "base/arena.h"
#include "base/fatal.h"
#include "compare/listing_comparison.h"
#include "driver/bus_error.h"
#include "driver/command_line.h"
#include "driver/process_state.h"
#include "driver/reading_stages.h"
#include "listing/listing_parser.h"
#include "output/compared_listing_writer.h"
#include "platform/local_time.h"

namespace korvcmp {
namespace {

bool namesStandardOutput(std::string_view path) {
    return path == "-" || path == "stdout";
}

// True when `stream` reads a regular file that `path` names too.
bool readsFileAt(const InputStream& stream, const char* path) {
    return stream.regularFileSize() >= 0 && stream.isSameFileAs(path);
}

// Writes the report of a fatal error to standard error without allocating:
// it may be the report of running out of memory.
void writeReport(std::string_view message) {
    constexpr std::string_view kPrefix = "*** korvcmp error: ";
    char line[4096];
    if (kPrefix.size() + message.size() + 1 <= sizeof line) {
        std::memcpy(line, kPrefix.data(), kPrefix.size());
        std::memcpy(line + kPrefix.size(), message.data(), message.size());
        line[kPrefix.size() + message.size()] = '\n';
        std::fwrite(line, 1, kPrefix.size() + message.size() + 1, stderr);
        return;
    }
    std::fwrite(kPrefix.data(), 1, kPrefix.size(), stderr);
    std::fwrite(message.data(), 1, message.size(), stderr);
    std::fputc('\n', stderr);
}

}  // namespace

void openOutput(const char* path) {
    if (namesStandardOutput(path)) {
        // Standard output opened onto listing 2 is written in place: listing
        // 2's lines, written from its mapping, must first stop depending on
        // the file.
        if (process.listing2Stream.isSameFileAs(STDOUT_FILENO)) {
            process.listing2Stream.detachFromFile();
        }
        process.outputStream.useStandardOutput();
        return;
    }
    // An output that would overwrite an input is written beside it and takes
    // its place only once it is complete: a failure on the way (a full disk)
    // leaves the input as it was.
    const bool replacesInput =
        readsFileAt(process.listing1Stream, path) || readsFileAt(process.listing2Stream, path);
    const bool created = replacesInput ? process.outputStream.createReplacement(path)
                                       : process.outputStream.createFile(path);
    if (!created) {
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

    // Everything writing needs is made before the output is opened: from
    // then on nothing is allocated, so running out of memory can never leave
    // an existing file emptied. The output of a large listing 2 is written
    // out on the worker's thread while this one composes what follows.
    const std::string timeText = asctimeText(localTimeNow());
    if (memoryOutput != nullptr) {
        process.outputStream.useMemory(memoryOutput);
    } else {
        process.outputStream.prepare(useWorkerFor(process.listing2Stream) ? &process.worker
                                                                          : nullptr);
        openOutput(process.outputPath);
    }
    writeComparedListing(timeText);
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
    try {
        return runKorvcmp(argc, argv);
    } catch (const FatalError& error) {
        writeReport(error.what());
    } catch (const std::bad_alloc&) {
        writeReport(kOutOfMemoryMessage);
    } catch (const std::system_error&) {
        // A thread or a lock the system could not provide: it is out of
        // the resources a run needs, as when memory runs out.
        writeReport(kOutOfMemoryMessage);
    }
    return -1;
}

}  // namespace korvcmp
