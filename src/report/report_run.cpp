// The run sequence of korvcmp-report and the reporting of its trouble.
#include "report/report_run.h"

#include <new>
#include <string>
#include <system_error>

#include "base/arena.h"
#include "base/fatal.h"
#include "base/package_version.h"
#include "base/terminal_text.h"
#include "output/output_stream.h"
#include "pipeline/reading_stages.h"
#include "platform/directories.h"
#include "platform/system_memory.h"
#include "report/html_pages.h"
#include "report/report_collector.h"
#include "report/report_directory.h"
#include "report/summary_writers.h"

namespace korvcmp {
namespace {

constexpr std::string_view kProgram = "korvcmp-report";

// Messages quote texts of the listings: their control bytes are shown escaped.
void writeMessage(std::FILE* errors, std::string_view kind, std::string_view message) {
    const std::string shown = terminalText(message);
    std::fprintf(errors, "%.*s: %.*s%.*s\n", static_cast<int>(kProgram.size()), kProgram.data(),
                 static_cast<int>(kind.size()), kind.data(), static_cast<int>(shown.size()),
                 shown.data());
}

// Writes with `write` into `out`, just opened onto `path`, and closes it;
// ends the run with a message when that fails.
template <typename Write>
void writeAndClose(OutputStream& out, const std::string& path, Write&& write) {
    write(out);
    if (!out.close()) {
        fatal("Cannot write \"%s\"", path);
    }
}

// A file of the new report directory.
template <typename Write>
void writeReportFile(OutputStream& out, const std::string& path, Write&& write) {
    if (!out.createFile(path.c_str(), LineEnds::asWritten)) {
        fatal("Cannot create \"%s\"", path);
    }
    writeAndClose(out, path, write);
}

// Writes one output with `write`, to standard output for "-", else to the
// file at `path`, with the same bytes on every system; ends the run with a
// message when it cannot be written. A regular file, there or not, gets its
// content only once it is complete: it is written beside and renamed into
// place, so that a failure leaves what was there (or nothing) as it was.
template <typename Write>
void writeOutput(OutputStream& out, const std::string& path, Write&& write) {
    if (path == "-") {
        out.useStandardOutput(LineEnds::asWritten);
        write(out);
        if (!out.close()) {
            fatal("Cannot write the report to standard output");
        }
        return;
    }
    const PathKind kind = pathKind(path);
    // A new file is made empty first, to be replaced like an existing one;
    // it goes again when the run fails.
    struct NewFile {
        const std::string& path;
        bool made = false;
        bool kept = false;
        ~NewFile() {
            if (made && !kept) {
                static_cast<void>(removeFile(path));
            }
        }
    } newFile{path};
    if (kind == PathKind::nothing) {
        newFile.made = out.createFile(path.c_str(), LineEnds::asWritten) && out.close();
    }
    const bool replaces = kind == PathKind::file || newFile.made;
    const bool opened = replaces ? out.createReplacement(path.c_str(), LineEnds::asWritten)
                                 : out.createFile(path.c_str(), LineEnds::asWritten);
    if (!opened) {
        fatal("Cannot create \"%s\"", path);
    }
    writeAndClose(out, path, write);
    newFile.kept = true;
}

// The index and the shared files of an HTML report, in its new directory.
void writeReportPages(OutputStream& out, const ReportDirectory& directory,
                      const ReportModel& model) {
    writeReportFile(out, directory.filePath(kStyleSheetName),
                    [](OutputStream& stream) { stream.write(kStyleSheet); });
    writeReportFile(out, directory.filePath(kScriptName),
                    [](OutputStream& stream) { stream.write(kScript); });
    writeReportFile(out, directory.filePath("index.html"),
                    [&model](OutputStream& stream) { writeIndexPage(stream, model); });
}

// The run itself; every failure is raised.
int runReportOrRaise(const ReportOptions& options, std::FILE* errors,
                     const PipelineOptions& pipeline) {
    // A directory that is no report is refused before anything is read.
    ReportDirectory directory;
    const bool html = options.htmlDirectory != nullptr;
    if (html) {
        std::string error;
        if (!directory.begin(options.htmlDirectory, error)) {
            writeMessage(errors, "", error);
            return kReportTrouble;
        }
    }

    RunState run(ListingPaths{options.listing1Path, options.listing2Path}, pipeline,
                 systemMemory());
    ReportModel model;
    model.title = options.title;
    ReportCollector collector(run, model, html ? &directory : nullptr);
    run.observer = &collector;
    // Whatever ends the run, the worker is stopped before the collector its
    // jobs write through goes away.
    struct WorkerStop {
        explicit WorkerStop(BackgroundWorker& toStop) : worker(toStop) {}
        ~WorkerStop() { static_cast<void>(worker.stop()); }
        BackgroundWorker& worker;
        WorkerStop(const WorkerStop&) = delete;
        WorkerStop& operator=(const WorkerStop&) = delete;
    } workerStop{run.worker};
    run.keepRemovedSections = true;
    run.keepListing1SummaryTer = true;
    compareListings(run);
    collector.finish();

    OutputStream out;
    out.prepare();
    if (html) {
        writeReportPages(out, directory, model);
    }
    if (options.jsonPath != nullptr) {
        writeOutput(out, options.jsonPath,
                    [&model](OutputStream& stream) { writeJsonReport(stream, model); });
    }
    if (options.markdownPath != nullptr) {
        writeOutput(out, options.markdownPath,
                    [&model](OutputStream& stream) { writeMarkdownSummary(stream, model); });
    }
    if (html) {
        std::string error;
        if (!directory.commit(error)) {
            fatal(error);
        }
        if (!directory.warning().empty()) {
            writeMessage(errors, "warning: ", directory.warning());
        }
    }
    for (const std::string& warning : model.warnings) {
        writeMessage(errors, "warning: ", warning);
    }
    const bool lost = model.totals.withLostCoverage > 0;
    return options.failOnLost && lost ? kReportLostCoverage : kReportWritten;
}

}  // namespace

int runReport(const ReportOptions& options, std::FILE* errors, const PipelineOptions& pipeline) {
    // Every failure ends in one line on standard error and status 2, never
    // in an uncaught exception; the new report directory is removed on the way.
    try {
        return runReportOrRaise(options, errors, pipeline);
    } catch (const FatalError& error) {
        writeMessage(errors, "", error.what());
    } catch (const std::bad_alloc&) {
        writeMessage(errors, "", kOutOfMemoryMessage);
    } catch (const std::system_error&) {
        writeMessage(errors, "", kOutOfMemoryMessage);
    }
    return kReportTrouble;
}

int reportMain(int argumentCount, const char* const* arguments) {
    try {
        const ReportCommandLine commandLine = parseReportCommandLine(argumentCount, arguments);
        if (!commandLine.error.empty()) {
            writeMessage(stderr, "", commandLine.error);
            return kReportTrouble;
        }
        if (commandLine.options.showUsage || commandLine.options.showVersion) {
            const std::string text =
                commandLine.options.showUsage
                    ? std::string(kReportUsage)
                    : std::string(kProgram) + " " + std::string(kPackageVersion) + "\n";
            const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
            return written && std::fflush(stdout) == 0 ? kReportWritten : kReportTrouble;
        }
        return runReport(commandLine.options, stderr);
    } catch (const std::bad_alloc&) {
        writeMessage(stderr, "", kOutOfMemoryMessage);
    } catch (const std::system_error&) {
        writeMessage(stderr, "", kOutOfMemoryMessage);
    }
    return kReportTrouble;
}

}  // namespace korvcmp
