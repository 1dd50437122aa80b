// The walk through a compared listing: the item every marker position of
// every kind of profile line gives, the file and function it is put in
// ("#line" lines, function-only sections, files not compared), the totals,
// and the line and message for every kind of damage to the layout and for
// markers that do not match the TER figures. Each listing is also read from
// a file as korvcmp-lost reads it, with the same result; and the source line
// numbers of profile lines are read as they stand.
#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "base/background_worker.h"
#include "listing/profile_line_classifier.h"
#include "lost/compared_listing_input.h"
#include "lost/compared_listing_scanner.h"
#include "lost/finding_formats.h"
#include "lost/profile_line_fields.h"
#include "support/listing_builder.h"
#include "support/temp_dir.h"

namespace korvcmp::testing {
namespace {

const std::string kComparedTitle =
    "*             EXECUTION PROFILE LISTING (COMPARED by korvcmp v1.0)          *";

// A profile line with markers in columns 10 and 21.
std::string marked(std::string_view trueCount, char trueMarker, std::string_view falseCount,
                   char falseMarker, char flag, std::string_view description) {
    std::string line = profileLine(trueCount, falseCount, flag, "12", description);
    line[10] = trueMarker;
    line[21] = falseMarker;
    return line;
}

ListingLayout comparedLayout(std::vector<FileLayout> files) {
    ListingLayout layout;
    layout.header.title = kComparedTitle;
    layout.files = std::move(files);
    return layout;
}

FileLayout fileWith(std::string name, std::vector<FunctionLayout> functions) {
    FileLayout file;
    file.name = std::move(name);
    file.includes = {"#include \"a.h\""};
    file.functions = std::move(functions);
    return file;
}

// The listing as korvcmp writes it: each TER line with "[0 + n - l]" after its
// first "(", n and l the ^ and v markers of its function, file or listing.
std::string compared(const ListingLayout& layout) {
    std::string out;
    std::array<std::array<int, 2>, 3> counts{};  // function, file, listing: ^ and v
    bool summaryTerDone = false;
    std::istringstream lines(render(layout));
    for (std::string line; std::getline(lines, line); out += line + "\n") {
        const bool fileTer =
            line.starts_with("***TER") && line.find(" of FILE ") != std::string::npos;
        const bool summaryTer = !summaryTerDone && line.starts_with("TER                : ");
        if (line.starts_with("***TER") || summaryTer) {
            const std::array<int, 2>& count = counts[summaryTer ? 2 : fileTer ? 1 : 0];
            line.insert(line.find('(') + 1, "[0 + " + std::to_string(count[0]) + " - " +
                                                std::to_string(count[1]) + "]");
            counts[fileTer ? 1 : 0] = {};
            summaryTerDone = summaryTer;
        } else if (line.size() >= 31 && !line.starts_with("MONITORED ")) {
            if (line.compare(30, 9, "FUNCTION ") == 0) {
                counts[0] = {};  // a function begins
            }
            for (const std::size_t column : {10, 21}) {
                for (std::array<int, 2>& count : counts) {
                    count[0] += line[column] == '^' ? 1 : 0;
                    count[1] += line[column] == 'v' ? 1 : 0;
                }
            }
        }
    }
    return out;
}

struct Scan {
    bool complete = false;
    std::string output;  // the findings in the gnu format
    ListingProblem problem;
    FindingTotals totals;
};

// Reads `listing` from a file as korvcmp-lost does: read ahead on a worker,
// most lines handed on straight from the block they were read in.
Scan scanFile(const std::string& listing, bool reportNew) {
    const TempDir dir;
    const std::string path = dir.write("compared.lst", listing);
    Scan result;
    OutputStream out;
    out.useMemory(&result.output);
    FindingWriter writer(out, FindingFormat::Gnu, 0);
    ComparedListingScanner scanner(writer, reportNew);
    BackgroundWorker worker;
    EXPECT_TRUE(worker.start());
    ComparedListingInput input;
    EXPECT_TRUE(input.open(path.c_str(), &worker));
    const ComparedListingInput::Read read = input.readLines(
        [&](std::string_view line, std::int64_t number) { return scanner.takeLine(line, number); });
    result.complete =
        read == ComparedListingInput::Read::EndOfInput && scanner.finish(input.lineNumber());
    out.close();
    result.problem = scanner.problem();
    result.totals = scanner.totals();
    return result;
}

// Hands `listing` to the scanner line by line, as the reader would, and
// checks that reading it from a file gives the same.
Scan scan(const std::string& listing, bool reportNew = true) {
    Scan result;
    OutputStream out;
    out.useMemory(&result.output);
    FindingWriter writer(out, FindingFormat::Gnu, 0);
    ComparedListingScanner scanner(writer, reportNew);
    std::int64_t number = 0;
    result.complete = true;
    for (std::size_t start = 0, end = listing.find('\n'); end != std::string::npos;
         start = end + 1, end = listing.find('\n', start)) {
        if (!scanner.takeLine(std::string_view(listing).substr(start, end - start), ++number)) {
            result.complete = false;
            break;
        }
    }
    result.complete = result.complete && scanner.finish(number);
    out.close();
    result.problem = scanner.problem();
    result.totals = scanner.totals();
    const Scan fromFile = scanFile(listing, reportNew);
    EXPECT_EQ(fromFile.complete, result.complete);
    EXPECT_EQ(fromFile.output, result.output);
    EXPECT_EQ(fromFile.problem.line, result.problem.line);
    EXPECT_EQ(fromFile.problem.message, result.problem.message);
    EXPECT_EQ(fromFile.totals.lost, result.totals.lost);
    EXPECT_EQ(fromFile.totals.added, result.totals.added);
    return result;
}

TEST(ComparedListingScanner, EveryMarkerPositionOfEveryLineKind) {
    static const struct {
        std::string line;
        std::string findings;  // after "src/a.c:12: "
    } cases[] = {
        {marked("0", 'v', "4", ' ', ' ', "if (a)"), "lost: TRUE outcome in f(): if (a)"},
        {marked("2", ' ', "0", 'v', ' ', "else if (b)"), "lost: FALSE outcome in f(): else if (b)"},
        {marked("0", 'v', "1", '^', ' ', "do-while (c)"),
         "lost: TRUE outcome in f(): do-while (c)\nsrc/a.c:12: new: FALSE outcome in f(): "
         "do-while (c)"},
        {marked("0", 'v', "", ' ', '-', "return 0"), "lost: hits in f(): return 0"},
        {marked("0", 'v', "", ' ', '-', "}"), "lost: hits in f(): }"},
        {marked("0", 'v', "", ' ', '-', "for (;;)"), "lost: hits in f(): for (;;)"},
        {marked("5", ' ', "0", 'v', ' ', "while (d)"), "lost: FALSE outcome in f(): while (d)"},
        {marked("0", 'v', "", ' ', '-', "1 a > b"), "lost: TRUE outcome in f(): 1 a > b"},
        {marked("", ' ', "0", 'v', '-', "2 c"), "lost: FALSE outcome in f(): 2 c"},
        {marked("", ' ', "0", 'v', '-', "MC/DC 1:- a > b"),
         "lost: MC/DC pair in f(): MC/DC 1:- a > b"},
        {marked("0", 'v', "", ' ', '-', "const-if (X)"), "lost: TRUE outcome in f(): const-if (X)"},
        {marked("", 'v', "0", ' ', '-', "const-if (Y)"),
         "lost: FALSE outcome in f(): const-if (Y)"},
        {marked("", ' ', "2", '^', ' ', "const-if (Z)"), "new: FALSE outcome in f(): const-if (Z)"},
        {marked("1", '^', "0", ' ', ' ', "COND x && y"), "new: TRUE outcome in f(): COND x && y"},
        {marked("2", ' ', "3", ' ', ' ', "if (equal)"), ""},
        // Any coverage flag korvcmp accepts, a marker character too.
        {marked("1", '^', "", ' ', 'v', "const-if (W)"), "new: TRUE outcome in f(): const-if (W)"},
        {marked("4", ' ', "", ' ', '^', "return 1"), ""},
        // A terminal's control sequence and a byte that is not UTF-8, shown escaped.
        {marked("0", 'v', "", ' ', '-', "return \x1b[2J\xff"),
         "lost: hits in f(): return \\x1b[2J\\xff"},
        {marked("", ' ', "", ' ', ' ', "  label:"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const Scan result =
            scan(compared(comparedLayout({fileWith("src/a.c", {function("f", {c.line})})})));
        ASSERT_TRUE(result.complete) << result.problem.message;
        const std::string expected = c.findings.empty() ? "" : "src/a.c:12: " + c.findings + "\n";
        EXPECT_EQ(result.output, expected);
    }
}

TEST(ComparedListingScanner, ItemsGoToTheirFileAndFunction) {
    FunctionLayout included = function("inl", {marked("0", 'v', "", ' ', '-', "return 1")});
    included.lineDirective = lineDirective("#line 3 \"inc/a \\\"x\\\".h\"");
    FunctionLayout unnamed = function("u", {marked("0", 'v', "", ' ', '-', "return 2")});
    unnamed.lineDirective = lineDirective("#line 30");
    FunctionLayout lostOnly = functionOnly("gone", "0");
    lostOnly.lines[0][10] = 'v';
    lostOnly.lineDirective = lineDirective("#line 7 \"gen.c\"");
    FunctionLayout plain = function("plain", {marked("0", 'v', "", ' ', '-', "goto x")});
    plain.lines[0][10] = '^';
    FunctionLayout newOnly = functionOnly("born", "2");
    newOnly.lines[0][10] = '^';
    FileLayout functionMode = fileWith("src/fn.c", {lostOnly, newOnly});
    functionMode.mode = "function";
    FileLayout missing = fileWith("src/new.c (NO COMPARE, no file)",
                                  {function("n", {marked("1", '^', "", ' ', ' ', "break")})});
    FileLayout changed = fileWith("src/chg.c (NO COMPARE, different profile)", {function("c")});
    const std::string listing = compared(comparedLayout(
        {fileWith("src/a.c", {included, plain, unnamed}), functionMode, missing, changed}));

    const Scan result = scan(listing);
    ASSERT_TRUE(result.complete) << result.problem.message;
    EXPECT_EQ(result.output,
              "inc/a \"x\".h:12: lost: hits in inl(): return 1\n"
              "src/a.c:10: new: calls in plain(): FUNCTION plain()\n"
              "src/a.c:12: lost: hits in plain(): goto x\n"
              "src/a.c:12: lost: hits in u(): return 2\n"
              "gen.c:10: lost: calls in gone(): FUNCTION gone()\n"
              "src/fn.c:10: new: calls in born(): FUNCTION born()\n"
              "src/new.c: note: not compared (no file), so its lost coverage cannot be shown\n"
              "src/chg.c: note: not compared (different profile), so its lost coverage cannot "
              "be shown\n");
    EXPECT_EQ(result.totals.lost, 4);
    EXPECT_EQ(result.totals.added, 2);
    EXPECT_EQ(result.totals.functionsWithLost, 4);
    EXPECT_EQ(result.totals.filesWithLost, 2);
    EXPECT_EQ(result.totals.filesNotCompared, 2);

    // A coverage view of function coverage makes every section function-only.
    FunctionLayout viewOnly = functionOnly("v", "0");
    viewOnly.lines[0][10] = 'v';
    ListingLayout reduced = comparedLayout({fileWith("src/v.c", {viewOnly, functionOnly("w")})});
    reduced.header.coverageView = "Reduced to function coverage";
    const Scan reducedScan = scan(compared(reduced));
    EXPECT_TRUE(reducedScan.complete) << reducedScan.problem.message;
    EXPECT_EQ(reducedScan.output, "src/v.c:10: lost: calls in v(): FUNCTION v()\n");

    // Without --new, new coverage is counted but not reported.
    const Scan lostOnlyScan = scan(listing, /*reportNew=*/false);
    EXPECT_EQ(lostOnlyScan.output.find(" new: "), std::string::npos);
    EXPECT_EQ(lostOnlyScan.totals.added, 2);
}

TEST(ComparedListingScanner, DamageIsReportedWithItsLine) {
    const std::string good = compared(comparedLayout({fileWith(
        "src/a.c", {function("f", {marked("0", 'v', "1", ' ', ' ', "if (a)")}), function("g")})}));
    ASSERT_TRUE(scan(good).complete);
    const int profileAt = lineOf(good, "if (a)");
    const int functionTerAt = lineOf(good, "***TER");
    const int fileRuleAt = lineOf(good, "-----", lineOf(good, "of FILE"));
    const int summaryAt = lineOf(good, "SUMMARY");
    const int lastLine = lineOf(good, "Statement blocks");
    const auto cut = [&](int lines) {
        std::size_t end = 0;
        for (int i = 0; i < lines; ++i) {
            end = good.find('\n', end) + 1;
        }
        return good.substr(0, end);
    };
    std::string shifted = marked("0", ' ', "1", ' ', ' ', "if (a)");
    shifted[11] = 'v';
    static const std::string kPlainTitle =
        "*                         EXECUTION PROFILE LISTING                         *";
    // korvcmp writes the TER figures as 64-bit numbers.
    const auto withFigures = [&](const std::string& figures) {
        std::string line = cut(functionTerAt).substr(cut(functionTerAt - 1).size());
        line.pop_back();
        line.replace(line.find('['), line.find(']') - line.find('[') + 1, figures);
        return replaceLine(good, functionTerAt, line);
    };
    EXPECT_TRUE(scan(withFigures("[3000000000 + 0 - 1]")).complete);

    const struct {
        std::string what;
        std::string listing;
        std::int64_t line;
        std::string message;
    } cases[] = {
        {"empty", "", 0, "nothing to read (an empty file, or a directory)"},
        {"not compared by korvcmp", replaceLine(good, 4, kPlainTitle), 4,
         "korvcmp has not compared"},
        {"no banner", replaceLine(good, 2, "x"), 2, "not a compared listing: expected the Korvo"},
        {"no coverage view", replaceLine(good, lineOf(good, "Coverage view"), std::nullopt),
         lineOf(good, "MONITORED") - 1, "no \"Coverage view"},
        {"profile line cut short", replaceLine(good, profileAt, "         0v         1"), profileAt,
         "profile line cut short: 21 characters"},
        {"marker in column 11", replaceLine(good, profileAt, shifted), profileAt,
         "marker 'v' in column 11"},
        {"FUNCTION line cut short", replaceLine(good, lineOf(good, "FUNCTION g()"), "         1"),
         lineOf(good, "FUNCTION g()"), "a line cut short where a FUNCTION line"},
        {"#line without FUNCTION",
         replaceLine(good, lineOf(good, "FUNCTION g()"), lineDirective("#line 1")),
         lineOf(good, "FUNCTION g()") + 1, "FUNCTION line that follows"},
        {"no function TER", replaceLine(good, functionTerAt, std::nullopt), functionTerAt,
         "the function's \"***TER\" line"},
        {"ends inside a section", cut(profileAt), profileAt, "ends inside a file section"},
        {"ends before the summary", cut(fileRuleAt), fileRuleAt, "ends before its summary"},
        {"ends inside the summary", cut(summaryAt + 3), summaryAt + 3, "ends inside its summary"},
        {"line after the summary", good + "\n", lastLine + 1, "a line after the summary"},
        {"marked line dropped", replaceLine(good, profileAt, std::nullopt), functionTerAt - 1,
         "the TER figures say 0 new and 1 lost, the function holds 0 ^ and 0 v markers"},
        {"marker turned", replaceLine(good, profileAt, marked("0", '^', "1", ' ', ' ', "if (a)")),
         functionTerAt, "the TER figures say 0 new and 1 lost, the function holds 1 ^ and 0 v"},
        {"figures past 32 bits", withFigures("[0 + 4294967296 - 1]"), functionTerAt,
         "the TER figures say 4294967296 new and 1 lost"},
        {"no figures", replaceLine(good, functionTerAt, "***TER 100% (   1/   1) of FUNCTION f()"),
         functionTerAt, "no difference figures"},
        {"junk between sections", replaceLine(good, summaryAt, "SUMMARX"), summaryAt,
         "expected a MONITORED line or the SUMMARY line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Scan result = scan(c.listing);
        EXPECT_FALSE(result.complete);
        EXPECT_EQ(result.problem.line, c.line);
        EXPECT_NE(result.problem.message.find(c.message), std::string::npos)
            << result.problem.message;
    }
}

TEST(ProfileLineFields, SourceLineNumbers) {
    // Columns 24 to 29: blanks are skipped wherever they stand, any other
    // character ends the number.
    static const struct {
        std::string_view columns;
        std::int64_t number;
    } numbers[] = {
        {"    87", 87}, {"   87 ", 87}, {"123456", 123456}, {"      ", 0},      {"0    1", 1},
        {" 1 2  ", 12}, {"  12a3", 12}, {"-   87", 0},      {"999999", 999999}, {"000042", 42},
    };
    for (const auto& n : numbers) {
        const std::string line = std::string(24, ' ') + std::string(n.columns) + " return";
        EXPECT_EQ(sourceLineNumberOf(line), n.number) << "\"" << n.columns << "\"";
    }
}

}  // namespace
}  // namespace korvcmp::testing
