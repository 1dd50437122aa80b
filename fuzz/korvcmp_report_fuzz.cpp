// libFuzzer entry for korvcmp-report: one input is a pair of listings, cut
// as for korvcmp_fuzz (the first line "=====8<=====" separates listing 1 from
// listing 2; without it the input is both), which runs through korvcmp-report's
// whole run in this process: the comparison with the report's collector, the
// HTML report written into a directory of the fuzzing process's own folder,
// the JSON document and the Markdown summary. The input's size picks the
// worker thread (odd sizes) and the Markdown's limit (the smallest one for
// every third size, so that the tables are cut).
//
// A run ends with status 0, 1 or 2, or with memory that ran out. Anything
// else is a finding: a crash, a sanitizer report, a hang, another exception
// or status, and a run whose outcome does not fit its status: status 0 or 1
// must have put the report, the JSON and the Markdown in place, whole (the
// JSON an object ending in a newline, the Markdown within its limit and its
// tables whole) and written nothing but warnings (and, with status 1, the
// gate's reasons); status 2 must end with one
// "korvcmp-report: " message and leave the report of the run before as it
// was. Nothing else may be left in the folder.
#include <dirent.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz_workspace.h"
#include "report/report_run.h"
#include "report/summary_writers.h"

namespace {

constexpr std::string_view kSeparatorLine = "=====8<=====\n";

[[noreturn]] void finding(const char* what, std::string_view detail = {}) {
    korvcmp::fuzzing::fuzzFinding("korvcmp_report_fuzz", what, detail);
}

struct Workspace {
    std::string listing1Path = korvcmp::fuzzing::fuzzFilePath("listing1.lst");
    std::string listing2Path = korvcmp::fuzzing::fuzzFilePath("listing2.lst");
    std::string reportPath = korvcmp::fuzzing::fuzzFilePath("report");
    std::string jsonPath = korvcmp::fuzzing::fuzzFilePath("report.json");
    std::string markdownPath = korvcmp::fuzzing::fuzzFilePath("report.md");
};

std::pair<std::string_view, std::string_view> split(std::string_view input) {
    if (input.starts_with(kSeparatorLine)) {
        return {input.substr(0, 0), input.substr(kSeparatorLine.size())};
    }
    const std::string separator = "\n" + std::string(kSeparatorLine);
    const std::size_t at = input.find(separator);
    if (at == std::string_view::npos) {
        return {input, input};
    }
    return {input.substr(0, at + 1), input.substr(at + separator.size())};
}

// The file's bytes; "" when there is none.
std::string contentOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool exists(const std::string& path) {
    return std::ifstream(path).good();
}

// The cells of a table row: its pipes that no backslash escapes, less one.
std::size_t cellsOf(std::string_view row) {
    std::size_t pipes = 0;
    std::size_t backslashes = 0;
    for (const char c : row) {
        pipes += c == '|' && backslashes % 2 == 0 ? 1 : 0;
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    return pipes;
}

void checkMarkdown(const std::string& markdown, std::size_t limit) {
    if (markdown.size() > limit) {
        finding("the Markdown passes its limit", std::to_string(markdown.size()));
    }
    if (markdown.empty() || markdown.back() != '\n') {
        finding("the Markdown does not end with a whole line");
    }
    std::size_t headerCells = 0;
    std::istringstream lines(markdown);
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("|")) {
            headerCells = 0;
        } else if (headerCells == 0) {
            headerCells = cellsOf(line);
        } else if (cellsOf(line) != headerCells) {
            finding("a Markdown table row has another number of cells than its header", line);
        }
    }
}

// What the run left in the folder besides the listings and its outputs.
void checkNothingElseLeft(const std::string& folder) {
    DIR* const entries = opendir(folder.c_str());
    if (entries == nullptr) {
        return;
    }
    while (const dirent* const entry = readdir(entries)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != ".." && name != "listing1.lst" && name != "listing2.lst" &&
            name != "report" && name != "report.json" && name != "report.md") {
            const std::string copy(name);
            closedir(entries);
            finding("the run left something behind", copy);
        }
    }
    closedir(entries);
}

void checkRun(int status, const std::string& messages, const Workspace& space, std::size_t limit,
              const std::string& earlierIndex) {
    if (status == korvcmp::kReportTrouble) {
        const std::size_t lastStart =
            messages.empty() ? 0 : messages.rfind('\n', messages.size() - 2) + 1;
        if (messages.empty() || messages.back() != '\n' ||
            !std::string_view(messages).substr(lastStart).starts_with("korvcmp-report: ") ||
            std::string_view(messages).substr(lastStart).starts_with("korvcmp-report: warning: ")) {
            finding("a failed run does not end with one korvcmp-report message", messages);
        }
        if (contentOf(space.reportPath + "/index.html") != earlierIndex) {
            finding("a failed run changed the report of the run before");
        }
        return;
    }
    if (status != korvcmp::kReportWritten && status != korvcmp::kReportLostCoverage) {
        finding("unexpected status", std::to_string(status));
    }
    // Warnings, and with status 1 the reasons of the gate.
    std::istringstream lines(messages);
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("korvcmp-report: warning: ") &&
            !(status == korvcmp::kReportLostCoverage &&
              line.starts_with("korvcmp-report: lost coverage: "))) {
            finding("a run that did not fail wrote more than warnings and the gate's reasons",
                    line);
        }
    }
    if (!exists(space.reportPath + "/index.html") ||
        !exists(space.reportPath + "/.korvcmp-report")) {
        finding("the report is not in place");
    }
    const std::string json = contentOf(space.jsonPath);
    if (!json.starts_with("{") || !json.ends_with("}\n")) {
        finding("the JSON document is not whole");
    }
    checkMarkdown(contentOf(space.markdownPath), limit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Workspace space;
    const auto [listing1, listing2] = split({reinterpret_cast<const char*>(data), size});
    korvcmp::fuzzing::writeFuzzFile(space.listing1Path, listing1);
    korvcmp::fuzzing::writeFuzzFile(space.listing2Path, listing2);
    // Each run starts without outputs, so that what it leaves is its own.
    std::remove(space.jsonPath.c_str());
    std::remove(space.markdownPath.c_str());

    const std::string earlierIndex = contentOf(space.reportPath + "/index.html");

    korvcmp::ReportOptions options;
    options.listing1Path = space.listing1Path.c_str();
    options.listing2Path = space.listing2Path.c_str();
    options.htmlDirectory = space.reportPath.c_str();
    options.jsonPath = space.jsonPath.c_str();
    options.markdownPath = space.markdownPath.c_str();
    options.markdownLimit =
        size % 3 == 0 ? korvcmp::kSmallestMarkdownLimit : korvcmp::kMarkdownLimit;
    options.title = "fuzz";
    options.failOnLost = size % 4 == 1;
    korvcmp::PipelineOptions pipeline;
    pipeline.workerFromSize = size % 2 == 1 ? 0 : INT64_MAX;
    pipeline.workerBatchLines = 1 + static_cast<std::int64_t>(size % 7);

    char* messageText = nullptr;
    std::size_t messageSize = 0;
    std::FILE* messages = open_memstream(&messageText, &messageSize);
    if (messages == nullptr) {
        std::perror("korvcmp_report_fuzz: open_memstream");
        std::exit(1);
    }
    int status = -1;
    try {
        status = korvcmp::runReport(options, messages, pipeline);
    } catch (const std::bad_alloc&) {
        finding("std::bad_alloc escaped the run");
    } catch (const std::exception& error) {
        finding("unexpected exception", error.what());
    } catch (...) {
        finding("unexpected exception of unknown type");
    }
    std::fclose(messages);
    const std::string messageCopy(messageText, messageSize);
    std::free(messageText);
    checkRun(status, messageCopy, space, options.markdownLimit, earlierIndex);
    const std::string folder = space.listing1Path.substr(0, space.listing1Path.rfind('/'));
    checkNothingElseLeft(folder);
    return 0;
}
