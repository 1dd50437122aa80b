// The run sequence of korvcmp-report and the reporting of its trouble.
#include "report/report_run.h"

#include <optional>
#include <string>
#include <utility>

#include "base/arena.h"
#include "base/fatal.h"
#include "output/output_stream.h"
#include "pipeline/program_frame.h"
#include "pipeline/reading_stages.h"
#include "platform/directories.h"
#include "platform/system_memory.h"
#include "report/html_pages.h"
#include "report/output_placement.h"
#include "report/report_collector.h"
#include "report/report_directory.h"
#include "report/report_findings.h"
#include "report/summary_writers.h"

namespace korvcmp {
namespace {

constexpr ProgramFrame kReportFrame{"korvcmp-report", "korvcmp-report: ", kOutOfMemoryMessage,
                                    kReportTrouble, true};

// Writes with `write` into `out`, just opened onto `path`, and closes it;
// ends the run with a message when that fails.
template <typename Write>
void writeAndClose(OutputStream& out, const std::string& path, Write&& write) {
    write(out);
    if (!out.close()) {
        fatal(withReason("Cannot write " + quoted(path), out.failure()));
    }
}

// A file of the new report directory.
template <typename Write>
void writeReportFile(OutputStream& out, const std::string& path, Write&& write) {
    if (!out.createFile(path.c_str(), LineEnds::asWritten)) {
        fatal(withReason("Cannot create " + quoted(path), out.failure()));
    }
    writeAndClose(out, path, write);
}

// An output file with the same bytes on every system. A regular file,
// there or not, gets its content only once it is complete: it is written
// beside and renamed into place when closed, so that a failure leaves what
// was there (or nothing) as it was.
class ReplacedOutput {
  public:
    // Opens `out` onto the file at `path`; ends the run with a message when
    // that fails.
    ReplacedOutput(OutputStream& out, const std::string& path) : out_(out), path_(path) {
        const PathKind kind = pathKind(path_);
        const bool replaces = kind == PathKind::file || kind == PathKind::nothing;
        const bool opened = replaces ? out_.createReplacement(path_.c_str(), LineEnds::asWritten)
                                     : out_.createFile(path_.c_str(), LineEnds::asWritten);
        if (!opened) {
            fatal(withReason("Cannot create " + quoted(path_), out_.failure()));
        }
    }
    ReplacedOutput(const ReplacedOutput&) = delete;
    ReplacedOutput& operator=(const ReplacedOutput&) = delete;
    // Not closed: the run failed, and the file stays as it was.
    ~ReplacedOutput() {
        if (!closed_) {
            out_.abandon();
        }
    }

    // Puts the file in its place; ends the run with a message when it cannot
    // be written.
    void close() {
        closed_ = true;
        if (!out_.close()) {
            fatal(withReason("Cannot write " + quoted(path_), out_.failure()));
        }
    }

  private:
    OutputStream& out_;
    const std::string path_;
    bool closed_ = false;
};

// Writes one output with `write`, to standard output for "-", else to the
// file at `path`, with the same bytes on every system; ends the run with a
// message when it cannot be written. A regular file, there or not, gets its
// content only once it is complete: it is written beside and renamed into
// place, so that a failure or a kill leaves what was there (or nothing) as
// it was.
template <typename Write>
void writeOutput(OutputStream& out, const std::string& path, Write&& write) {
    if (path == "-") {
        out.useStandardOutput(LineEnds::asWritten);
        write(out);
        if (!out.close()) {
            fatal(withReason("Cannot write the report to standard output", out.failure()));
        }
        return;
    }
    ReplacedOutput file(out, path);
    write(out);
    file.close();
}

// The SARIF log and the Code Quality report, written while the listings are
// compared and put in their places once the run is through.
struct FindingOutputs {
    explicit FindingOutputs(const ReportOptions& options) {
        if (options.sarifPath != nullptr) {
            sarifStream.prepare();
            sarif.emplace(sarifStream, options.sarifPath);
        }
        if (options.codeQualityPath != nullptr) {
            codeQualityStream.prepare();
            codeQuality.emplace(codeQualityStream, options.codeQualityPath);
        }
    }
    void close() {
        if (sarif) {
            sarif->close();
        }
        if (codeQuality) {
            codeQuality->close();
        }
    }

    OutputStream sarifStream;
    OutputStream codeQualityStream;
    std::optional<ReplacedOutput> sarif;
    std::optional<ReplacedOutput> codeQuality;
};

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
    // Outputs that would replace an input or one another, and a directory
    // that is no report, are refused before anything is read or written.
    if (const std::string misplaced = misplacedOutput(options); !misplaced.empty()) {
        kReportFrame.error(errors, misplaced);
        return kReportTrouble;
    }
    ReportDirectory directory;
    const bool html = options.htmlDirectory != nullptr;
    if (html) {
        std::string error;
        if (!directory.begin(options.htmlDirectory, error)) {
            kReportFrame.error(errors, error);
            return kReportTrouble;
        }
    }

    FindingOutputs findingOutputs(options);
    ReportFindings findings(
        findingOutputs.sarif ? &findingOutputs.sarifStream : nullptr,
        findingOutputs.codeQuality ? &findingOutputs.codeQualityStream : nullptr);
    findings.begin();

    ReportModel model;
    model.title = options.title;
    model.listing1.path = options.listing1Path;
    model.listing2.path = options.listing2Path;
    ReportCollector collector(model, html ? &directory : nullptr);
    collector.writeFindingsTo(&findings);
    RunRequest request;
    request.paths = ListingPaths{options.listing1Path, options.listing2Path};
    request.options = pipeline;
    request.observer = &collector;
    request.keepRemovedSections = true;
    request.readRemovedSectionsWhole = true;
    request.keepListing1SummaryTer = true;
    RunState run(request, systemMemory());
    // Whatever ends the run, the worker is stopped before the collector its
    // jobs write through goes away.
    struct WorkerStop {
        explicit WorkerStop(BackgroundWorker& toStop) : worker(toStop) {}
        ~WorkerStop() { static_cast<void>(worker.stop()); }
        BackgroundWorker& worker;
        WorkerStop(const WorkerStop&) = delete;
        WorkerStop& operator=(const WorkerStop&) = delete;
    } workerStop{run.worker};
    compareListings(run);
    collector.finish();
    findings.finish(options.listing2Path);
    model.gateFailed = options.failOnLost && model.totals.withLostCoverage > 0;

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
        writeOutput(out, options.markdownPath, [&model, &options](OutputStream& stream) {
            writeMarkdownSummary(stream, model, options.markdownLimit);
        });
    }
    findingOutputs.close();
    if (html) {
        std::string error;
        if (!directory.commit(error)) {
            fatal(error);
        }
        if (!directory.warning().empty()) {
            kReportFrame.warning(errors, directory.warning());
        }
    }
    for (const std::string& warning : model.warnings) {
        kReportFrame.warning(errors, warning);
    }
    const bool tooLittleAdded =
        options.failUnderAdded >= 0 &&
        changedCodeCoverageBelow(model.totals.changes, options.failUnderAdded);
    if (tooLittleAdded) {
        const ChangeCategories& changes = model.totals.changes;
        kReportFrame.error(errors,
                           "changed-code coverage under --fail-under-added: " +
                               std::to_string(changes.addedCovered) + " of " +
                               std::to_string(changes.addedCovered + changes.addedUncovered) +
                               " items of added code covered");
    }
    if (!model.gateFailed) {
        return tooLittleAdded ? kReportLostCoverage : kReportWritten;
    }
    for (const std::string& reason : model.lostCoverageReasons) {
        kReportFrame.error(errors, "lost coverage: " + reason);
    }
    return kReportLostCoverage;
}

}  // namespace

int runReport(const ReportOptions& options, std::FILE* errors, const PipelineOptions& pipeline) {
    // Every failure ends in one line on standard error and status 2, never
    // in an uncaught exception; the new report directory is removed on the way.
    return kReportFrame.run(errors, [&] { return runReportOrRaise(options, errors, pipeline); });
}

int reportMain(int argumentCount, const char* const* arguments) {
    return kReportFrame.run(stderr, [&] {
        const ReportCommandLine commandLine = parseReportCommandLine(argumentCount, arguments);
        if (!commandLine.error.empty()) {
            kReportFrame.error(stderr, commandLine.error);
            return kReportTrouble;
        }
        if (commandLine.options.showUsage) {
            return kReportFrame.printText(kReportUsage);
        }
        if (commandLine.options.showVersion) {
            return kReportFrame.printText(kReportFrame.versionText());
        }
        return runReport(commandLine.options, stderr);
    });
}

}  // namespace korvcmp
