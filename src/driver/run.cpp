// The fixed run sequence and the reporting of fatal errors.
#include "driver/run.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "base/fatal.h"
#include "compare/listing_comparison.h"
#include "driver/command_line.h"
#include "output/compared_listing_writer.h"
#include "pipeline/reading_stages.h"
#include "pipeline/run_state.h"
#include "platform/mapping_guard.h"
#include "platform/system_memory.h"

namespace korvcmp {
namespace {

bool namesStandardOutput(std::string_view path) {
    return path == "-" || path == "stdout";
}

// True when `reader` reads a regular file that `path` names too.
bool readsFileAt(const LineReader& reader, const char* path) {
    return reader.stream().regularFileSize() >= 0 && reader.stream().isSameFileAs(path);
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

void openOutput(RunState& run, const char* path) {
    if (namesStandardOutput(path)) {
        // Standard output opened onto listing 2 is written in place: listing
        // 2's lines, written from its mapping, must first stop depending on
        // the file.
        InputStream& listing2 = run.listing2Reader.stream();
        if (listing2.isSameFileAsStandardOutput()) {
            listing2.detachFromFile();
        }
        run.outputStream.useStandardOutput();
        return;
    }
    // An output that would overwrite an input is written beside it and takes
    // its place only once it is complete: a failure on the way (a full disk)
    // leaves the input as it was. Listing 2's mapping keeps the replaced
    // file's bytes.
    const bool replacesInput =
        readsFileAt(run.listing1Reader, path) || readsFileAt(run.listing2Reader, path);
    const bool created = replacesInput ? run.outputStream.createReplacement(path)
                                       : run.outputStream.createFile(path);
    if (!created) {
        fatal("Cannot create output file \"%s\"", path);
    }
}

int runKorvcmp(int argc, const char* const* argv, const RunOptions& options) {
    const std::optional<CommandLine> commandLine = parseCommandLine(argc, argv);
    if (!commandLine) {
        return 0;
    }
    RunState run(ListingPaths{commandLine->listing1Path, commandLine->listing2Path}, options,
                 systemMemory());
    compareListings(run);

    // Everything writing needs is made before the output is opened: from
    // then on nothing is allocated, so running out of memory can never leave
    // an existing file emptied. The output of a large listing 2 is written
    // out on the worker's thread while this one composes what follows.
    const std::string timeText = currentTimeText();
    if (options.memoryOutput != nullptr) {
        run.outputStream.useMemory(options.memoryOutput);
    } else {
        run.outputStream.prepare(startWorkerIfWorthwhile(run, run.listing2Reader) ? &run.worker
                                                                                  : nullptr);
        openOutput(run, commandLine->outputPath);
    }
    writeComparedListing(run.outputStream, *run.listing1, *run.listing2, run.paths.listing1Path,
                         run.paths.listing2Path, timeText);
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
