// The fixed run sequence and the reporting of fatal errors.
#include "driver/run.h"

#include <cstdio>
#include <optional>
#include <string>

#include "base/fatal.h"
#include "compare/listing_comparison.h"
#include "driver/command_line.h"
#include "output/compared_listing_writer.h"
#include "output/output_stream.h"
#include "pipeline/program_frame.h"
#include "pipeline/reading_stages.h"
#include "pipeline/run_state.h"
#include "platform/mapping_guard.h"
#include "platform/system_memory.h"

namespace korvcmp {
namespace {

// True when `reader` reads a regular file that `path` names too.
bool readsFileAt(const LineReader& reader, const char* path) {
    return reader.stream().regularFileSize() >= 0 && reader.stream().isSameFileAs(path);
}

constexpr ProgramFrame kKorvcmpFrame{"korvcmp", "*** korvcmp error: ", kOutOfMemoryMessage, -1};

}  // namespace

void openOutput(RunState& run, OutputStream& output, const char* path) {
    if (namesStandardOutput(path, StandardOutputNames::dashOrStdout)) {
        // Standard output opened onto listing 2 is written in place: listing
        // 2's lines, written from its mapping, must first stop depending on
        // the file.
        InputStream& listing2 = run.listing2Reader.stream();
        if (listing2.isSameFileAsStandardOutput()) {
            listing2.detachFromFile();
        }
        output.useStandardOutput();
        return;
    }
    // An output that would overwrite an input is written beside it and takes
    // its place only once it is complete: a failure on the way (a full disk)
    // leaves the input as it was. Listing 2's mapping keeps the replaced
    // file's bytes.
    const bool replacesInput =
        readsFileAt(run.listing1Reader, path) || readsFileAt(run.listing2Reader, path);
    const bool created = replacesInput ? output.createReplacement(path) : output.createFile(path);
    if (!created) {
        fatal("Cannot create output file \"%s\"", path);
    }
}

int runKorvcmp(int argc, const char* const* argv, const RunOptions& options) {
    const std::optional<CommandLine> commandLine = parseCommandLine(argc, argv);
    if (!commandLine) {
        return 0;
    }
    // The output is written out by the run's worker, which therefore stops
    // before the output goes.
    OutputStream output;
    RunRequest request;
    request.paths = ListingPaths{commandLine->listing1Path, commandLine->listing2Path};
    request.options = options;
    RunState run(request, systemMemory());
    compareListings(run);

    // Everything writing needs is made before the output is opened: from
    // then on nothing is allocated, so running out of memory can never leave
    // an existing file emptied. The output of a large listing 2 is written
    // out on the worker's thread while this one composes what follows.
    const std::string timeText = currentTimeText();
    if (options.memoryOutput != nullptr) {
        output.useMemory(options.memoryOutput);
    } else {
        output.prepare(startWorkerIfWorthwhile(run, run.listing2Reader) ? &run.worker : nullptr);
        openOutput(run, output, commandLine->outputPath);
    }
    writeComparedListing(output, *run.listing1, *run.listing2, run.paths.listing1Path,
                         run.paths.listing2Path, timeText);
    closeStreams(run, output);
    return 0;
}

void closeStreams(RunState& run, OutputStream& output) {
    if (!run.listing1Reader.close()) {
        fatal("Could not close 1st input profile file");
    }
    if (!run.listing2Reader.close()) {
        fatal("Could not close 2nd input profile file");
    }
    // A write that failed on the way counts as a failed close: the output is
    // incomplete and must not be reported as a success.
    const bool outputClosed = output.close();
    run.worker.stop();
    if (!outputClosed) {
        fatal("Could not close output profile file");
    }
}

int korvcmpMain(int argc, const char* const* argv) {
    installMappingFaultHandler();
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    return kKorvcmpFrame.run(stderr, [&] { return runKorvcmp(argc, argv); });
}

}  // namespace korvcmp
