// The run: every line of the listing goes from the input to the scanner,
// whose findings the writer formats. A damaged listing ends the run with its
// message after whatever was already written, and with status 2, so that no
// partial answer passes for a complete one.
#include "lost/lost_run.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <new>
#include <system_error>

#include "lost/compared_listing_input.h"
#include "lost/compared_listing_scanner.h"
#include "lost/finding_formats.h"

namespace korvcmp {
namespace {

constexpr const char* kStandardInputName = "(standard input)";
constexpr const char* kOutOfMemoryMessage = "korvcmp-lost: out of memory\n";
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

// After a failed write, once every write has ended (flush): a reader that
// went away (a closed pipe, when SIGPIPE is ignored) ends the run quietly;
// anything else is said.
int writeFailure(const OutputBuffer& out, std::FILE* errors) {
    if (out.failureError() != EPIPE) {
        std::fprintf(errors, "korvcmp-lost: cannot write the output: %s\n",
                     std::strerror(out.failureError()));
    }
    return kLostTrouble;
}

}  // namespace

int runLost(const LostOptions& options, OutputBuffer& out, std::FILE* errors) {
    // A second thread reads the listing ahead and writes the findings out
    // behind the scanner; without one, this thread does it all.
    BackgroundWorker worker;
    try {
        static_cast<void>(worker.start());
    } catch (const std::bad_alloc&) {  // NOLINT(bugprone-empty-catch)
    }
    ComparedListingInput input;
    const char* name = options.listingPath != nullptr ? options.listingPath : kStandardInputName;
    const bool opened = options.listingPath != nullptr ? input.open(options.listingPath, &worker)
                                                       : input.openStandardInput();
    if (!opened) {
        std::fprintf(errors, "korvcmp-lost: %s: cannot open: %s\n", name, input.openFailure());
        return kLostTrouble;
    }
    // The findings are written behind only while the worker runs.
    struct WritingBehind {
        OutputBuffer& out;
        ~WritingBehind() { out.stopWritingBehind(); }
    } writingBehind{out};
    out.writeBehindOn(worker);
    FindingWriter writer(out, options.format);
    ComparedListingScanner scanner(writer, options.includeNew);
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
        static_cast<void>(out.flush());  // waits for the worker's writes
        return writeFailure(out, errors);
    }
    if (read == ComparedListingInput::Read::EndOfFile) {
        if (!scanner.finish(input.lineNumber())) {
            problem = &scanner.problem();
        }
    } else if (read == ComparedListingInput::Read::IncompleteLine) {
        incomplete.line = input.lineNumber();
        incomplete.message = kIncompleteLineMessage;
        problem = &incomplete;
    }
    if (!out.flush()) {
        return writeFailure(out, errors);
    }
    if (problem != nullptr) {
        std::fprintf(errors, "korvcmp-lost: %s:%" PRId64 ": %s\n", name, problem->line,
                     problem->message.c_str());
        return kLostTrouble;
    }
    writeTotals(errors, scanner.totals());
    return scanner.totals().lost > 0 ? kLostCoverageFound : kNoLostCoverage;
}

int lostMain(int argumentCount, const char* const* arguments) {
    // Without memory (for a buffer, a name, a thread) the run ends with a
    // message and status 2, after what was already found, like any other
    // trouble; never by an uncaught exception.
    try {
        const LostCommandLine commandLine = parseLostCommandLine(argumentCount, arguments);
        if (!commandLine.error.empty()) {
            std::fprintf(stderr, "korvcmp-lost: %s\n", commandLine.error.c_str());
            return kLostTrouble;
        }
        // The output buffer is the only one: standard output passes its blocks on.
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        OutputBuffer out(stdout);
        if (commandLine.options.showUsage) {
            out.write(kLostUsage);
            return out.flush() ? kNoLostCoverage : writeFailure(out, stderr);
        }
        try {
            return runLost(commandLine.options, out, stderr);
        } catch (const std::bad_alloc&) {
            static_cast<void>(out.flush());
            throw;
        }
    } catch (const std::bad_alloc&) {
        std::fputs(kOutOfMemoryMessage, stderr);
    } catch (const std::system_error&) {
        std::fputs(kOutOfMemoryMessage, stderr);
    }
    return kLostTrouble;
}

}  // namespace korvcmp
