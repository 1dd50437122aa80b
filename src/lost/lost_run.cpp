// Reading, writing and the exit status of a run. Output goes through
// korvcmp's output stream; its failures and the input's come worded by the
// platform layer.
#include "lost/lost_run.h"

#include <cinttypes>
#include <new>
#include <string>
#include <system_error>

#include "lost/compared_listing_input.h"
#include "lost/compared_listing_scanner.h"
#include "lost/finding_formats.h"
#include "pipeline/program_frame.h"

namespace korvcmp {
namespace {

constexpr const char* kStandardInputName = "(standard input)";
constexpr ProgramFrame kLostFrame{"korvcmp-lost", "korvcmp-lost: ", "out of memory", kLostTrouble,
                                  true};
constexpr const char* kIncompleteLineMessage =
    "incomplete line: longer than 4095 characters, holding a NUL byte, or without a newline "
    "at the end of the file";

const char* plural(std::int64_t count, const char* one, const char* more) {
    return count == 1 ? one : more;
}

void writeTotals(std::FILE* errors, const FindingTotals& totals) {
    std::fprintf(errors,
                 "korvcmp-lost: %" PRId64 " lost, %" PRId64 " new; %" PRId64 " %s in %" PRId64
                 " %s lost coverage; %" PRId64 " %s not compared\n",
                 totals.lost, totals.added, totals.functionsWithLost,
                 plural(totals.functionsWithLost, "function", "functions"), totals.filesWithLost,
                 plural(totals.filesWithLost, "file", "files"), totals.filesNotCompared,
                 plural(totals.filesNotCompared, "file", "files"));
}

// Closes the output; false after a failed write or close, which is said
// unless the reader went away (a closed pipe, when SIGPIPE is ignored): that
// ends the run quietly.
bool closedWell(OutputStream& out, std::FILE* errors) {
    if (out.close()) {
        return true;
    }
    if (const SystemFailure failure = out.failure(); !failure.isClosedPipe()) {
        kLostFrame.error(errors, "cannot write the output: " + failure.text());
    }
    return false;
}

}  // namespace

int runLost(const LostOptions& options, OutputStream& out, std::FILE* errors,
            BackgroundWorker* worker) {
    ComparedListingInput input;
    const char* name = options.listingPath != nullptr ? options.listingPath : kStandardInputName;
    const bool opened = options.listingPath != nullptr ? input.open(options.listingPath, worker)
                                                       : input.openStandardInput();
    if (!opened) {
        out.abandon();
        kLostFrame.error(errors,
                         std::string(name) + ": cannot open: " + input.openFailure().text());
        return kLostTrouble;
    }
    const std::int64_t limit = options.limit >= 0 ? options.limit : defaultLimitOf(options.format);
    FindingWriter writer(out, options.format, limit);
    ComparedListingScanner scanner(writer, options.includeNew);
    writer.begin();
    ListingProblem incomplete;
    const ListingProblem* problem = nullptr;
    bool writeFailed = false;
    const ComparedListingInput::Read read =
        input.readLines([&](std::string_view line, std::int64_t number) {
            if (!scanner.takeLine(line, number)) {
                problem = &scanner.problem();
                return false;
            }
            writeFailed = out.failed();
            return !writeFailed;
        });
    if (writeFailed) {
        static_cast<void>(closedWell(out, errors));
        return kLostTrouble;
    }
    if (read == ComparedListingInput::Read::EndOfInput) {
        if (!scanner.finish(input.lineNumber())) {
            problem = &scanner.problem();
        }
    } else if (read == ComparedListingInput::Read::IncompleteLine) {
        incomplete.line = input.lineNumber();
        incomplete.message = kIncompleteLineMessage;
        problem = &incomplete;
    }
    std::string problemText;
    if (problem != nullptr) {
        problemText =
            std::string(name) + ":" + std::to_string(problem->line) + ": " + problem->message;
    }
    writer.finish(problemText, name);
    if (!closedWell(out, errors)) {
        return kLostTrouble;
    }
    if (problem != nullptr) {
        kLostFrame.error(errors, problemText);
        return kLostTrouble;
    }
    writeTotals(errors, scanner.totals());
    return scanner.totals().lost > 0 ? kLostCoverageFound : kNoLostCoverage;
}

int lostMain(int argumentCount, const char* const* arguments) {
    // Without memory (for a buffer, a name, a thread) the run ends with a
    // message and status 2, after what was already found, like any other
    // trouble; never by an uncaught exception.
    return kLostFrame.run(stderr, [&] {
        const LostCommandLine commandLine = parseLostCommandLine(argumentCount, arguments);
        if (!commandLine.error.empty()) {
            kLostFrame.error(stderr, commandLine.error);
            return kLostTrouble;
        }
        // The output stream is declared before the worker, which therefore
        // ends (its writes done) before the stream goes.
        OutputStream out;
        if (commandLine.options.showUsage || commandLine.options.showVersion) {
            out.useStandardOutput();
            out.write(commandLine.options.showUsage ? std::string(kLostUsage)
                                                    : kLostFrame.versionText());
            return closedWell(out, stderr) ? kNoLostCoverage : kLostTrouble;
        }
        // A second thread reads the listing ahead and writes the findings out
        // behind the scanner; without one, this thread does it all.
        BackgroundWorker worker;
        try {
            static_cast<void>(worker.start());
        } catch (const std::bad_alloc&) {     // NOLINT(bugprone-empty-catch)
        } catch (const std::system_error&) {  // NOLINT(bugprone-empty-catch)
        }
        BackgroundWorker* running = worker.isRunning() ? &worker : nullptr;
        out.prepare(running);
        out.useStandardOutput();
        try {
            return runLost(commandLine.options, out, stderr, running);
        } catch (const std::bad_alloc&) {
            // What was found so far is written out.
            static_cast<void>(out.close());
            throw;
        }
    });
}

}  // namespace korvcmp
