// korvcmp-report's run: its command line, its figures against the compared
// listing korvcmp writes for the same pair, its lost items against the
// markers there, and the outcome of whole runs (status, messages, what is
// left on disk).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "lost/compared_listing_scanner.h"
#include "lost/finding_formats.h"
#include "pipeline/reading_stages.h"
#include "platform/system_memory.h"
#include "report/report_collector.h"
#include "report/report_command_line.h"
#include "report/report_findings.h"
#include "report/report_run.h"
#include "support/aligned_sample.h"
#include "support/damaged_listings.h"
#include "support/listing_builder.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

// "[a + n - l]" of a TER line as the text korvcmp writes.
std::string changeText(const ChangeFigures& change) {
    std::ostringstream text;
    text << '[' << change.hits1 << " + " << change.newHits << " - " << change.lostHits << ']';
    return text.str();
}

// The model of comparing `one` with `two`, as korvcmp-report builds it;
// its SARIF log into `sarif` when given.
ReportModel modelOf(const std::string& one, const std::string& two,
                    const PipelineOptions& options = {}, std::string* sarif = nullptr) {
    ReportModel model;
    model.listing1.path = one;
    model.listing2.path = two;
    ReportCollector collector(model, nullptr);
    OutputStream sarifStream;
    sarifStream.useMemory(sarif);
    ReportFindings findings(sarif != nullptr ? &sarifStream : nullptr, nullptr);
    findings.begin();
    collector.writeFindingsTo(&findings);
    RunRequest request{ListingPaths{one.c_str(), two.c_str()}, options, &collector};
    request.keepRemovedSections = true;
    request.readRemovedSectionsWhole = true;
    request.keepListing1SummaryTer = true;
    RunState run(request, systemMemory());
    compareListings(run);
    collector.finish();
    findings.finish(two);
    EXPECT_TRUE(sarif == nullptr || sarifStream.close());
    return model;
}

// The results of a SARIF log of the rule `rule`, one line each, in order.
std::vector<std::string> sarifResults(const std::string& log, std::string_view rule) {
    std::vector<std::string> results;
    std::istringstream lines(log);
    std::string line;
    const std::string ruleId = "{\"ruleId\":\"" + std::string(rule) + "\"";
    while (std::getline(lines, line)) {
        const std::size_t at = line.find(ruleId);
        if (at != std::string::npos) {
            results.push_back(line.substr(at, line.find_last_of('}') + 1 - at));
        }
    }
    return results;
}

// korvcmp-lost's SARIF log of a compared listing.
std::string lostSarif(const std::string& listing) {
    std::string log;
    OutputStream out;
    out.useMemory(&log);
    FindingWriter writer(out, FindingFormat::Sarif, 0);
    writer.begin();
    ComparedListingScanner scanner(writer, false);
    std::istringstream lines(listing);
    std::string line;
    std::int64_t number = 0;
    while (std::getline(lines, line)) {
        EXPECT_TRUE(scanner.takeLine(line, ++number)) << scanner.problem().message;
    }
    EXPECT_TRUE(scanner.finish(number)) << scanner.problem().message;
    writer.finish({}, "compared");
    EXPECT_TRUE(out.close());
    return log;
}

std::string comparedListing(const std::string& one, const std::string& two) {
    std::string output;
    RunOptions options;
    options.memoryOutput = &output;
    const InProcessResult result = runInProcess({"-i1", one, "-i2", two, "-p", "x"}, options);
    EXPECT_EQ(result.status, 0) << result.errorOutput;
    return output;
}

// What a compared listing says of its sections: every "[a + n - l]" in
// order, and every item marked lost as korvcmp-lost reports it.
struct ComparedFigures {
    std::vector<std::string> changes;
    std::vector<std::string> lostItems;  // "file:line count-name: description"
};

std::string lostItemText(std::string_view file, std::int64_t line, std::string_view countName,
                         std::string_view description) {
    return std::string(file) + ":" + std::to_string(line) + " " + std::string(countName) + ": " +
           std::string(description);
}

// The lost items korvcmp-lost finds in a compared listing.
class LostItems final : public FindingSink {
  public:
    void markedItem(const MarkedItem& item) override {
        if (item.change == CoverageChange::Lost) {
            items.push_back(lostItemText(item.file, item.sourceLine, item.count, item.description));
        }
    }
    void uncomparedFile(const UncomparedFile&) override {}
    std::vector<std::string> items;
};

ComparedFigures figuresOf(const std::string& listing) {
    ComparedFigures figures;
    std::istringstream lines(listing);
    std::string line;
    const std::regex change(R"(\[-?\d+ \+ -?\d+ - -?\d+\])");
    LostItems lost;
    ComparedListingScanner scanner(lost, false);
    std::int64_t number = 0;
    while (std::getline(lines, line)) {
        EXPECT_TRUE(scanner.takeLine(line, ++number)) << scanner.problem().message;
        std::smatch found;
        if ((line.starts_with("***TER") || line.starts_with("TER ")) &&
            std::regex_search(line, found, change)) {
            figures.changes.push_back(found.str());
        }
    }
    EXPECT_TRUE(scanner.finish(number)) << scanner.problem().message;
    figures.lostItems = std::move(lost.items);
    return figures;
}

// The same figures as the model has them, in the compared listing's order.
ComparedFigures figuresOf(const ReportModel& model) {
    ComparedFigures figures;
    for (const FileSummary& file : model.files) {
        if (file.status == FileStatus::Removed) {
            continue;
        }
        for (const FunctionSummary& function : file.functions) {
            if (!file.functionCoverage && !function.deleted) {
                figures.changes.push_back(changeText(function.change));
            }
        }
        figures.changes.push_back(changeText(file.change));
    }
    figures.changes.push_back(changeText(model.totals.change));
    // korvcmp finds no lost items in edited and moved files: those are the
    // report's own.
    for (const LostItem& item : model.firstLostItems) {
        if (!item.edited && !item.moved) {
            figures.lostItems.push_back(
                lostItemText(item.file, item.line, item.countName, item.description));
        }
    }
    return figures;
}

TEST(ReportModel, FiguresAndLostItemsAreThoseOfTheComparedListing) {
    const TempDir dir;
    struct Case {
        const char* name;
        std::string one;
        std::string two;
        PipelineOptions options;
    };
    PipelineOptions withWorker;
    withWorker.workerFromSize = 0;
    withWorker.workerBatchLines = 7;
    const std::string run1 = sourcePath("examples/run1.lst");
    const std::string run2 = sourcePath("examples/run2.lst");
    const std::string large1 = dir.write("large1.lst", repeatedExample("run1.lst", 400000));
    const std::string large2 = dir.write("large2.lst", repeatedExample("run2.lst", 400000));
    for (const Case& c : {Case{"example pair", run1, run2, {}}, Case{"swapped", run2, run1, {}},
                          Case{"with the worker", run1, run2, withWorker},
                          Case{"large, with the worker", large1, large2, withWorker},
                          Case{"large, swapped", large2, large1, withWorker}}) {
        SCOPED_TRACE(c.name);
        const std::string compared = comparedListing(c.one, c.two);
        const ComparedFigures expected = figuresOf(compared);
        std::string sarif;
        const ReportModel model = modelOf(c.one, c.two, c.options, &sarif);
        const ComparedFigures actual = figuresOf(model);
        EXPECT_EQ(actual.changes, expected.changes);
        const std::size_t kept = std::min(expected.lostItems.size(), ReportModel::kKeptLostItems);
        EXPECT_EQ(actual.lostItems,
                  std::vector<std::string>(
                      expected.lostItems.begin(),
                      expected.lostItems.begin() + static_cast<std::ptrdiff_t>(kept)));
        std::int64_t alignedLost = 0;
        for (const FileSummary& file : model.files) {
            alignedLost += file.edited || !file.movedFrom.empty() ? file.changes.lost : 0;
        }
        EXPECT_EQ(model.lostItemCount - alignedLost,
                  static_cast<std::int64_t>(expected.lostItems.size()));
        // Every lost item a result, as korvcmp-lost writes it: the same place,
        // words and fingerprint; and one for every lost item of an edited or
        // moved file. Sections of the same file are compared when listing 1's
        // is read, so the results come in another order.
        std::vector<std::string> results = sarifResults(sarif, "lost-coverage");
        std::vector<std::string> lostResults = sarifResults(lostSarif(compared), "lost-coverage");
        std::sort(results.begin(), results.end());
        std::sort(lostResults.begin(), lostResults.end());
        EXPECT_TRUE(
            std::includes(results.begin(), results.end(), lostResults.begin(), lostResults.end()));
        EXPECT_EQ(results.size(),
                  expected.lostItems.size() + static_cast<std::size_t>(alignedLost));
    }
}

// The findings of an edited file: its lost items and its uncovered added
// item at listing 2's lines, a "#line" function's in the file it names; its
// kept and deleted items none.
TEST(ReportFindings, AlignedItemsAtListing2sLines) {
    const AlignedSample sample = alignedSample();
    std::string sarif;
    std::string codeQuality;
    OutputStream sarifStream;
    OutputStream codeQualityStream;
    sarifStream.useMemory(&sarif);
    codeQualityStream.useMemory(&codeQuality);
    ReportFindings findings(&sarifStream, &codeQualityStream);
    findings.begin();
    findings.section("src/a.c", sample.alignment);
    findings.finish("two.lst");
    ASSERT_TRUE(sarifStream.close());
    ASSERT_TRUE(codeQualityStream.close());
    const std::vector<std::string> lost = sarifResults(sarif, "lost-coverage");
    const std::vector<std::string> uncovered = sarifResults(sarif, "uncovered-new-code");
    ASSERT_EQ(lost.size(), 2U);
    ASSERT_EQ(uncovered.size(), 1U);
    const struct {
        std::string_view text;
        std::string_view part;
    } expected[] = {
        {lost[0], R"x("message":{"text":"FALSE outcome in f(): if (a)"})x"},
        {lost[0], R"x("uri":"src/a.c","uriBaseId":"%SRCROOT%"},"region":{"startLine":15})x"},
        {uncovered[0],
         R"x("ruleIndex":1,"level":"warning","message":{"text":"hits in f(): goto <out>"})x"},
        {uncovered[0], R"x("region":{"startLine":16})x"},
        {lost[1],
         R"x("text":"hits in new_name(): break"},"locations":[{"physicalLocation":{"artifactLocation":{"uri":"src/b.inc")x"},
        {sarif, R"x("name": "korvcmp-report")x"},
        {sarif, R"x({"id": "uncovered-new-code", "name": "UncoveredNewCode")x"},
        {codeQuality,
         R"x({"description":"Lost coverage: FALSE outcome in f(): if (a)","check_name":"lost-coverage")x"},
        {codeQuality,
         R"x({"description":"New code not covered: hits in f(): goto <out>","check_name":"uncovered-new-code")x"},
        {codeQuality, R"x("location":{"path":"src/a.c","lines":{"begin":16}})x"},
    };
    for (const auto& e : expected) {
        EXPECT_NE(e.text.find(e.part), std::string_view::npos) << e.part << "\nin\n" << e.text;
    }
    EXPECT_EQ(codeQuality.find("return"), std::string::npos);
}

TEST(ReportModel, ExamplePairInDetail) {
    const ReportModel model =
        modelOf(sourcePath("examples/run1.lst"), sourcePath("examples/run2.lst"));
    struct Expected {
        const char* path;
        FileStatus status;
        const char* reason;
        std::int64_t ter1Covered;  // -1: none
        std::int64_t ter2Covered;
        bool lost;
    };
    const std::vector<Expected> expected = {
        {"src/control.c", FileStatus::NotCompared, "different profile", 9, 14, true},
        {"src/display.c", FileStatus::Compared, "", 4, 4, true},
        {"src/main.c", FileStatus::Compared, "", 44, 42, true},
        {"src/selftest.c", FileStatus::NotCompared, "no file", -1, 16, false},
        {"src/sensor.c", FileStatus::Compared, "", 31, 39, true},
        {"src/log.c", FileStatus::Removed, "only in listing 1", 8, -1, true},
    };
    ASSERT_EQ(model.files.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const FileSummary& file = model.files[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.path);
        EXPECT_EQ(file.path, e.path);
        EXPECT_EQ(file.status, e.status);
        EXPECT_EQ(file.reason, e.reason);
        EXPECT_EQ(file.ter1.present ? file.ter1.covered : -1, e.ter1Covered);
        EXPECT_EQ(file.ter2.present ? file.ter2.covered : -1, e.ter2Covered);
        EXPECT_EQ(file.lostCoverage(), e.lost);
    }
    EXPECT_EQ(model.totals.ter1.covered, 96);
    EXPECT_EQ(model.totals.ter1.total, 149);
    EXPECT_EQ(model.totals.compared, 3u);
    EXPECT_EQ(model.totals.notCompared, 2u);
    EXPECT_EQ(model.totals.removed, 1u);
    EXPECT_EQ(model.totals.withLostCoverage, 5u);
    // The edited file's one lost item: the FALSE outcome of its ternary,
    // moved down by the decision inserted above it.
    ASSERT_FALSE(model.firstLostItems.empty());
    const LostItem& first = model.firstLostItems.front();
    EXPECT_EQ(first.file + ":" + std::to_string(first.line) + " " + first.countName,
              "src/control.c:44 FALSE outcome");
    EXPECT_TRUE(first.edited);
    EXPECT_EQ(model.files[0].changes.lost, 1);
    ASSERT_NE(model.listing1.field("Test command"), nullptr);
    EXPECT_EQ(*model.listing1.field("Test command"), "thermoctl -v -s 21");
    EXPECT_EQ(model.listing2.coverageView, "Decision+Condition coverage");
    EXPECT_TRUE(model.warnings.empty());
}

TEST(ReportModel, PageNamesStayInTheirFolderAndApart) {
    struct Case {
        std::size_t index;
        const char* path;
        const char* page;
    };
    for (const Case& c : {
             Case{0, "src/control.c", "files/1-src_control.c.html"},
             Case{1, "../../etc/passwd", "files/2-.._.._etc_passwd.html"},
             Case{2, "C:\\work\\Main.C", "files/3-C__work_Main.C.html"},
             Case{3, "/abs/CON", "files/4-_abs_CON.html"},
             Case{4, "a b<c>|\"?*\x01\xff", "files/5-a_b_c_______.html"},
             Case{5, "", "files/6-.html"},
             Case{6, "dir/very-long-name-that-goes-on-and-on-and-on-and-on-and-on-and-on.c",
                  "files/7--long-name-that-goes-on-and-on-and-on-and-on-and-on-and-on.c.html"},
         }) {
        EXPECT_EQ(pageName(c.index, c.path), c.page);
    }
}

TEST(ReportCommandLine, OptionsAndMistakes) {
    struct Case {
        std::vector<const char*> arguments;
        const char* error;  // the start of the message; "" for none
    };
    for (const Case& c : {
             Case{{"-i1", "a", "-i2", "b", "--html", "d"}, ""},
             Case{{"-i1", "a", "-i2", "b", "--json=-", "--markdown", "m", "--fail-on-lost"}, ""},
             Case{{"-i1", "a", "-i2", "b"}, "no output asked for"},
             Case{{"-i1", "a", "--html", "d"}, "both listings are needed"},
             Case{{"-i1", "a", "-i2", "b", "--json", "-", "--markdown", "-"}, "only one of"},
             Case{{"-i1", "a", "-i2", "b", "--json", "s", "--markdown=s"},
                  "--markdown and --json name"},
             Case{{"-i1", "a", "-i1", "b", "-i2", "c", "--html", "d"}, "-i1 given twice"},
             Case{{"-i1", "a", "-i2", "b", "--html"}, "--html needs a value"},
             Case{{"-i1", "a", "-i2", "b", "--html="}, "--html needs a value"},
             Case{{"-i1", "a", "-i2", "b", "--html", "d", "--frobnicate"}, "unknown option"},
             Case{{"-i1", "a", "-i2", "b", "--html", "d", "extra"}, "unexpected argument"},
             Case{{"-i1=a", "-i2", "b", "--html", "d"}, "unknown option"},
             Case{{"-i1", "a", "-i2", "b", "--sarif", "s", "--codequality=q"}, ""},
             Case{{"-i1", "a", "-i2", "b", "--sarif", "-"}, "--sarif writes a file"},
             Case{{"-i1", "a", "-i2", "b", "--codequality", "-", "--json", "j"},
                  "--codequality writes a file"},
             Case{{"-i1", "a", "-i2", "b", "--json", "s", "--sarif", "s"},
                  "--json and --sarif name"},
             Case{{"-i1", "a", "-i2", "b", "--sarif", "q", "--codequality", "q"},
                  "--sarif and --codequality name"},
             Case{{"-i1", "a", "-i2", "b", "--json", "j", "--fail-under-added", "92.5"}, ""},
             Case{{"-i1", "a", "-i2", "b", "--json", "j", "--fail-under-added=100.5"},
                  "--fail-under-added needs a percentage"},
             Case{{"-i1", "a", "-i2", "b", "--json", "j", "--fail-under-added", "-1"},
                  "--fail-under-added needs a percentage"},
             Case{{"-i1", "a", "-i2", "b", "--json", "j", "--fail-under-added", "8O"},
                  "--fail-under-added needs a percentage"},
             Case{{"-i1", "a", "-i2", "b", "--markdown", "m", "--markdown-limit=65536"}, ""},
             Case{{"-i1", "a", "-i2", "b", "--markdown", "m", "--markdown-limit", "4095"},
                  "--markdown-limit takes a number of bytes"},
             Case{{"-i1", "a", "-i2", "b", "--markdown", "m", "--markdown-limit", "64k"},
                  "--markdown-limit takes a number of bytes"},
         }) {
        const ReportCommandLine line =
            parseReportCommandLine(static_cast<int>(c.arguments.size()), c.arguments.data());
        SCOPED_TRACE(c.error);
        if (*c.error == '\0') {
            EXPECT_EQ(line.error, "");
        } else {
            EXPECT_TRUE(line.error.starts_with(c.error)) << line.error;
            EXPECT_TRUE(line.error.ends_with("(korvcmp-report -h shows the usage)"));
        }
    }
    const std::vector<const char*> titled = {"-i1", "a", "-i2", "b", "--json", "j"};
    EXPECT_EQ(parseReportCommandLine(6, titled.data()).options.title, "Coverage: a -> b");
}

// A whole run in this process: its status, what it wrote to standard error.
struct Outcome {
    int status;
    std::string errors;
};

Outcome runWith(const std::vector<std::string>& arguments) {
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) {
        pointers.push_back(argument.c_str());
    }
    const ReportCommandLine line =
        parseReportCommandLine(static_cast<int>(pointers.size()), pointers.data());
    EXPECT_EQ(line.error, "");
    std::FILE* errors = std::tmpfile();
    Outcome outcome{runReport(line.options, errors), ""};
    std::rewind(errors);
    char buffer[4096];
    for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, errors)) > 0;) {
        outcome.errors.append(buffer, read);
    }
    std::fclose(errors);
    return outcome;
}

TEST(ReportRun, StatusMessagesAndWhatIsLeft) {
    const TempDir dir;
    const std::string run1 = sourcePath("examples/run1.lst");
    const std::string run2 = sourcePath("examples/run2.lst");
    const std::string bad = dir.write("bad.lst", "not\na\nlisting\nat\nall\n");
    std::string strangeText = readFile(run2);
    strangeText.replace(strangeText.find(" continue\n"), 10, " ***strange\n");
    const std::string strange = dir.write("strange.lst", strangeText);
    const std::string report = dir.file("report");
    const std::string other = dir.file("other");
    std::filesystem::create_directory(other);
    dir.write("other/keep.txt", "mine");
    const std::string summary = dir.file("summary.md");
    const std::string notWritable = "korvcmp-report: Cannot create \"" + other + "\": ";
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int status;
        const char* errors;  // a part of what standard error holds
        bool reportLeft;
    };
    for (const Case& c : {
             Case{"lost, gated",
                  {"-i1", run1, "-i2", run2, "--html", report, "--fail-on-lost", "--markdown",
                   summary},
                  kReportLostCoverage,
                  "korvcmp-report: lost coverage: 23 items lost in 3 compared files\n"
                  "korvcmp-report: lost coverage: 1 item lost in 1 edited or moved file\n"
                  "korvcmp-report: lost coverage: src/log.c was removed; listing 1 covered 8 of "
                  "its items\n",
                  true},
             Case{"lost, not gated",
                  {"-i1", run1, "-i2", run2, "--html", report},
                  kReportWritten,
                  "",
                  true},
             // 18 of the 23 items of added code are covered: 78.3 %.
             Case{"added code under the bar",
                  {"-i1", run1, "-i2", run2, "--html", report, "--fail-under-added", "78.5"},
                  kReportLostCoverage,
                  "korvcmp-report: changed-code coverage under --fail-under-added: 18 of 23 items "
                  "of added code covered\n",
                  true},
             Case{"added code over the bar",
                  {"-i1", run1, "-i2", run2, "--html", report, "--fail-under-added=78"},
                  kReportWritten,
                  "",
                  true},
             Case{"nothing lost",
                  {"-i1", run2, "-i2", run2, "--html", report, "--fail-on-lost"},
                  kReportWritten,
                  "",
                  true},
             Case{"swapped",
                  {"-i1", run2, "-i2", run1, "--json", dir.file("j")},
                  kReportWritten,
                  "korvcmp-report: warning: listing 1 was produced after listing 2",
                  false},
             Case{"bad listing 2",
                  {"-i1", run1, "-i2", bad, "--html", report},
                  kReportTrouble,
                  "Input does not look like a valid",
                  false},
             Case{"findings",
                  {"-i1", run1, "-i2", run2, "--sarif", dir.file("s"), "--codequality",
                   dir.file("j")},
                  kReportWritten,
                  "",
                  false},
             Case{"findings, bad listing 1",
                  {"-i1", bad, "-i2", run2, "--sarif", dir.file("s"), "--codequality",
                   dir.file("q")},
                  kReportTrouble,
                  "Input does not look like a valid",
                  false},
             Case{"a strange profile line",
                  {"-i1", run1, "-i2", strange, "--html", report},
                  kReportTrouble,
                  "korvcmp-report: Strange profile listing line: ",
                  false},
             Case{"not a report",
                  {"-i1", run1, "-i2", run2, "--html", other},
                  kReportTrouble,
                  "korvcmp-report: ",
                  false},
             Case{"output a directory, with the system's reason",
                  {"-i1", run1, "-i2", run2, "--json", other},
                  kReportTrouble,
                  notWritable.c_str(),
                  false},
         }) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(report);
        const Outcome outcome = runWith(c.arguments);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_NE(outcome.errors.find(c.errors), std::string::npos) << outcome.errors;
        if (c.status == kReportTrouble) {
            EXPECT_EQ(std::count(outcome.errors.begin(), outcome.errors.end(), '\n'), 1)
                << outcome.errors;
        }
        EXPECT_EQ(std::filesystem::exists(report + "/index.html"), c.reportLeft);
        EXPECT_EQ(readFile(other + "/keep.txt"), "mine");
        // The findings take their places only when the run got through.
        for (std::size_t i = 1; i < c.arguments.size(); ++i) {
            if (c.arguments[i - 1] == "--sarif" || c.arguments[i - 1] == "--codequality") {
                EXPECT_EQ(std::filesystem::exists(c.arguments[i]), c.status != kReportTrouble);
                std::filesystem::remove(c.arguments[i]);
            }
        }
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            ++entries;
        }
        // The listings, the other directory, the report, the summary and the
        // JSON at most: nothing half-written beside them.
        EXPECT_LE(entries, 6u);
    }
    // The gate's reasons, where a pull request shows them.
    EXPECT_NE(readFile(summary).find("- **Lost coverage fails the run:** `src/log.c was removed; "
                                     "listing 1 covered 8 of its items`\n"),
              std::string::npos);
}

// An output aimed at an input, into the report directory or at another
// output is refused before anything is written: the inputs, an earlier
// report and the folder stay as they were.
TEST(ReportRun, OutputsNeverReplaceInputsOrOneAnother) {
    const TempDir dir;
    const std::string one = dir.write("a.lst", readFile(sourcePath("examples/run1.lst")));
    const std::string two = dir.write("b.lst", readFile(sourcePath("examples/run2.lst")));
    const std::string report = dir.file("rep");
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_hard_link(two, dir.path() / "hard.lst");
    std::error_code noLink;  // a system without symbolic links leaves that row out
    std::filesystem::create_symlink(two, dir.path() / "link.lst", noLink);
    ASSERT_EQ(runWith({"-i1", one, "-i2", two, "--html", report}).status, kReportWritten);
    const std::string earlierIndex = readFile(report + "/index.html");
    dir.write("rep/a.lst", readFile(one));
    struct Case {
        std::vector<std::string> outputs;
        std::string error;  // a part of the message
    };
    for (const Case& c : {
             Case{{"--json", two}, "--json \"" + two + "\" is the listing of -i2"},
             Case{{"--markdown", dir.file("hard.lst")}, "is the listing of -i2"},
             Case{{"--markdown", dir.file("link.lst")}, "is the listing of -i2"},
             Case{{"--json", dir.file("sub/../a.lst")}, "is the listing of -i1"},
             Case{{"--html", one}, "--html \"" + one + "\" is the listing of -i1"},
             Case{{"--html", report, "--json", report + "/report.json"},
                  "is inside the report directory"},
             Case{{"--html", report, "--markdown", dir.file("sub/../rep/s.md")},
                  "--markdown \"" + dir.file("sub/../rep/s.md") + "\" is inside"},
             Case{{"--html", dir.file("new"), "--json", dir.file("new/j.json")},
                  "is inside the report directory"},
             Case{{"--html", dir.file("both"), "--json", dir.file("both")},
                  "--html and --json name the same file"},
             Case{{"--html", report, "--markdown", report}, "--html and --markdown name"},
             Case{{"--json", dir.file("j.json"), "--markdown", dir.file("sub/../j.json")},
                  "--json and --markdown name the same file"},
             Case{{"--sarif", dir.file("hard.lst")}, "is the listing of -i2"},
             Case{{"--html", report, "--codequality", report + "/q.json"},
                  "--codequality \"" + report + "/q.json\" is inside"},
             Case{{"--sarif", dir.file("s"), "--codequality", dir.file("sub/../s")},
                  "--sarif and --codequality name the same file"},
         }) {
        SCOPED_TRACE(c.error);
        if (c.outputs[1].ends_with("link.lst") && noLink) {
            continue;
        }
        std::vector<std::string> arguments = {"-i1", one, "-i2", two};
        arguments.insert(arguments.end(), c.outputs.begin(), c.outputs.end());
        const Outcome outcome = runWith(arguments);
        EXPECT_EQ(outcome.status, kReportTrouble);
        EXPECT_NE(outcome.errors.find(c.error), std::string::npos) << outcome.errors;
        EXPECT_EQ(readFile(one), readFile(sourcePath("examples/run1.lst")));
        EXPECT_EQ(readFile(two), readFile(sourcePath("examples/run2.lst")));
        EXPECT_EQ(readFile(report + "/index.html"), earlierIndex);
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            ++entries;
        }
        EXPECT_EQ(entries, noLink ? 5U : 6U);  // a.lst, b.lst, sub, hard.lst, rep, link.lst
    }
    // An input inside the report directory would go with the earlier report.
    const Outcome inside = runWith({"-i1", report + "/a.lst", "-i2", two, "--html", report});
    EXPECT_EQ(inside.status, kReportTrouble);
    EXPECT_NE(inside.errors.find("-i1 \"" + report + "/a.lst\" is inside the report directory"),
              std::string::npos)
        << inside.errors;
}

// A file section only listing 2 has takes the removed section of listing 1
// that holds its functions: one entry, moved, with its lost items.
TEST(ReportModel, MovedFileIsPairedWithItsRemovedSection) {
    const TempDir dir;
    const auto fileOf = [](const std::string& name, std::vector<FunctionLayout> functions) {
        FileLayout file;
        file.name = name;
        file.functions = std::move(functions);
        return file;
    };
    const auto body = [](const char* hits) {
        return std::vector<std::string>{
            profileLine(hits, "", hits[0] == '0' ? '-' : ' ', "11", "return")};
    };
    ListingLayout one;
    one.files = {fileOf("src/a.c", {function("f", body("2")), function("g", body("1"))}),
                 fileOf("src/old.c", {function("h", body("1"))})};
    ListingLayout two;
    two.files = {fileOf("lib/a.c", {function("f", body("0")), function("g", body("1"))}),
                 fileOf("src/new.c", {function("k", body("1"))})};
    const ReportModel model =
        modelOf(dir.write("1.lst", render(one)), dir.write("2.lst", render(two)));
    ASSERT_EQ(model.files.size(), 3U);
    EXPECT_EQ(model.files[0].movedFrom, "src/a.c");
    EXPECT_EQ(model.files[0].changes.lost, 1);
    EXPECT_EQ(model.files[0].changes.keptCovered, 3);
    EXPECT_EQ(model.files[1].movedFrom, "");
    EXPECT_EQ(model.files[1].changes.addedCovered, 2);
    EXPECT_EQ(model.files[2].path, "src/old.c");
    EXPECT_EQ(model.files[2].status, FileStatus::Removed);
    EXPECT_EQ(model.files[2].changes.deletedCovered, 2);
    EXPECT_EQ(model.totals.changes.deletedCovered, 2);
    EXPECT_EQ(model.totals.withLostCoverage, 2U);
    ASSERT_EQ(model.firstLostItems.size(), 1U);
    EXPECT_TRUE(model.firstLostItems[0].moved);
    EXPECT_EQ(model.firstLostItems[0].file + ":" + std::to_string(model.firstLostItems[0].line),
              "lib/a.c:11");
    EXPECT_EQ(model.lostItemCount, 1);
}

// Listing 1's sections that listing 2 lacks are read whole, but damage to
// them fails the run only where korvcmp, which skips them, fails, and with
// its message; a section it cannot read is listed with a warning.
TEST(ReportRun, DamagedListing1FailsOnlyAsKorvcmpFails) {
    const TempDir dir;
    const std::string two = sourcePath("examples/run2.lst");
    const std::string one = dir.file("damaged.lst");
    const std::string json = dir.file("report.json");
    std::size_t failures = 0;
    std::size_t warned = 0;
    // The report shows a line end inside a message escaped.
    const auto message = [](std::string text, std::string_view prefix) {
        text = text.substr(std::min(text.size(), text.find(prefix) + prefix.size()));
        text = text.substr(0, text.find_first_of('\n'));
        return text.ends_with("\\x0a") ? text.substr(0, text.size() - 4) : text;
    };
    const std::vector<Variant> variants =
        variantsOf(readFile(sourcePath("examples/run1.lst")), false);
    for (std::size_t i = 0; i < variants.size(); ++i) {
        SCOPED_TRACE(variants[i].family + ", variant " + std::to_string(i));
        dir.write("damaged.lst", variants[i].content);
        const InProcessResult korvcmp = runInProcess({"-i1", one, "-i2", two, "-p", dir.file("x")});
        const Outcome report = runWith({"-i1", one, "-i2", two, "--json", json});
        if (korvcmp.status == 0) {
            EXPECT_EQ(report.status, kReportWritten) << report.errors;
            warned += report.errors.find("cannot be read as a section") != std::string::npos;
        } else {
            ++failures;
            EXPECT_EQ(report.status, kReportTrouble);
            EXPECT_EQ(message(report.errors, "korvcmp-report: "),
                      message(korvcmp.errorOutput, "korvcmp error: "));
        }
    }
    EXPECT_GT(failures, 0U);
    EXPECT_GT(warned, 0U);
}

// The example pair's report, JSON and Markdown, byte for byte as in
// tests/report/golden, on every system (KORVCMP_UPDATE_GOLDEN=1 writes them
// anew). The listings are named relative to the working directory, as a CI
// job names them, so that nothing depends on where the test runs.
TEST(ReportRun, ExamplePairAsInTheGoldenCopies) {
    const TempDir dir;
    dir.write("run1.lst", readFile(sourcePath("examples/run1.lst")));
    dir.write("run2.lst", readFile(sourcePath("examples/run2.lst")));
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const Outcome outcome =
        runWith({"-i1", "run1.lst", "-i2", "run2.lst", "--html", "report", "--json", "report.json",
                 "--markdown", "report.md", "--title", "thermoctl: nightly -> self-test"});
    std::filesystem::current_path(before);
    ASSERT_EQ(outcome.status, kReportWritten) << outcome.errors;
    std::vector<std::string> names = {"report.json", "report.md", "report/index.html"};
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("report/files"))) {
        names.push_back("report/files/" + entry.path().filename().string());
    }
    std::sort(names.begin() + 3, names.end());
    EXPECT_EQ(names.size(), 3u + 5u);
    const bool update = std::getenv("KORVCMP_UPDATE_GOLDEN") != nullptr;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string golden = sourcePath("tests/report/golden/" + name);
        const std::string written = readFile(dir.file(name));
        if (update) {
            std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
            std::ofstream(golden, std::ios::binary) << written;
        }
        EXPECT_EQ(written, readFile(golden));
    }
}

}  // namespace
}  // namespace korvcmp::testing
