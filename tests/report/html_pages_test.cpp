// The HTML pages: texts from a listing escaped whatever they hold, and the
// pages of listing pairs written as the comparison goes, each with one marker
// element for every marker of the compared listing, one address per source
// line, and valid HTML as tidy sees it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "listing/listing_parser.h"
#include "pipeline/reading_stages.h"
#include "platform/system_memory.h"
#include "report/html_pages.h"
#include "report/html_text.h"
#include "support/aligned_sample.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

std::string escaped(std::string_view text) {
    std::string written;
    OutputStream out;
    out.useMemory(&written);
    writeHtmlText(out, text);
    out.close();
    return written;
}

std::size_t occurrences(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(HtmlText, EscapesMarkupAndReplacesWhatIsNotText) {
    const std::string_view kReplacement = "\xEF\xBF\xBD";
    const struct {
        std::string_view text;
        std::string expected;
    } cases[] = {
        {"if (a < b && c > 0)", "if (a &lt; b &amp;&amp; c &gt; 0)"},
        {"<script>alert(\"x\")</script>", "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;"},
        {"'quoted' \"both\"", "&#39;quoted&#39; &quot;both&quot;"},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\ttab",
         "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\ttab"},
        {"a\xFFz", "a" + std::string(kReplacement) + "z"},
        {"cut \xE2\x82", "cut " + std::string(kReplacement) + std::string(kReplacement)},
        {"\xC0\xAF overlong", std::string(kReplacement) + std::string(kReplacement) + " overlong"},
        {"\xED\xA0\x80",
         std::string(kReplacement) + std::string(kReplacement) + std::string(kReplacement)},
        {std::string_view("nul\0bell\x07"
                          "del\x7F",
                          13),
         "nul" + std::string(kReplacement) + "bell" + std::string(kReplacement) + "del" +
             std::string(kReplacement)},
        {"c1 \xC2\x85 control, \xC2\xA0 nbsp",
         "c1 " + std::string(kReplacement) + " control, \xC2\xA0 nbsp"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escaped(c.text), c.expected) << c.text;
    }
}

// The file's path as its MONITORED line names it.
std::string pathOf(const MonitoredFile& file) {
    const std::string_view line = file.monitoredLine;
    const std::size_t colon = line.find(": ");
    return std::string(colon == std::string_view::npos ? line : line.substr(colon + 2));
}

// The figures of a TER line: "***TER  73% (  14/  19) of ...".
TerFigures terFigures(const char* terLine) {
    TerFigures figures;
    long long percent = 0;
    long long covered = 0;
    long long total = 0;
    const char* numbers = terLine != nullptr ? std::strpbrk(terLine, "0123456789") : nullptr;
    if (numbers != nullptr &&
        std::sscanf(numbers, "%lld%% ( %lld/ %lld)", &percent, &covered, &total) == 3) {
        figures = {true, percent, covered, total};
    }
    return figures;
}

// Writes the page of every section of listing 2 as it is compared, with as
// much of a summary as the page shows.
class PageCollector : public SectionObserver {
  public:
    explicit PageCollector(const ReportModel& model) : model_(model) {}

    void sectionCompared(const MonitoredFile* file1, const MonitoredFile& file2) override {
        FileSummary summary;
        summary.path = pathOf(file2);
        summary.status = file2.comparable != 0 ? FileStatus::Compared : FileStatus::NotCompared;
        summary.reason = file2.reason != nullptr ? file2.reason : "";
        summary.page = "files/" + std::to_string(pages.size()) + ".html";
        summary.ter1 = terFigures(file1 != nullptr ? file1->terLine : nullptr);
        summary.ter2 = terFigures(file2.terLine);
        summary.change = {file2.equalHits + file2.lostHits, file2.newHits, file2.lostHits};
        const FunctionBlock* function1 = file1 != nullptr ? file1->firstFunction : nullptr;
        for (const FunctionBlock* function = file2.firstFunction; function != nullptr;
             function = function->next) {
            FunctionSummary& added = summary.functions.emplace_back();
            added.name = std::string(function->firstLine->view().substr(kDescriptionColumn + 9));
            added.line = function->firstLine->lineNumber;
            added.ter2 = terFigures(function->terLine);
            if (function1 != nullptr) {
                added.ter1 = terFigures(function1->terLine);
                function1 = function1->next;
            }
            added.change = {function->equalHits + function->lostHits, function->newHits,
                            function->lostHits};
        }
        OutputStream out;
        out.useMemory(&pages[&file2]);
        writeFilePage(out, model_, summary, file2, file1, run->listing2->coverageView, nullptr);
        ASSERT_TRUE(out.close());
        summaries[&file2] = std::move(summary);
    }

    const RunState* run = nullptr;
    std::map<const MonitoredFile*, std::string> pages;
    std::map<const MonitoredFile*, FileSummary> summaries;

  private:
    const ReportModel& model_;
};

// The markers of each file section of a compared listing, in its order.
struct SectionMarkers {
    std::size_t lost = 0;
    std::size_t added = 0;
};

std::vector<SectionMarkers> markersBySection(const std::string& comparedListing) {
    std::vector<SectionMarkers> sections;
    std::size_t start = 0;
    while (start < comparedListing.size()) {
        std::size_t end = comparedListing.find('\n', start);
        end = end == std::string::npos ? comparedListing.size() : end;
        const std::string_view line(comparedListing.data() + start, end - start);
        start = end + 1;
        if (line.starts_with("MONITORED ")) {
            sections.emplace_back();
        }
        // A profile line: blank column 23, not a TER, include or directive line.
        if (sections.empty() || line.size() < kMinProfileLineLength || line[23] != ' ' ||
            line[0] == '*' || line[0] == '#') {
            continue;
        }
        for (const std::size_t column : {kTrueMarkerColumn, kFalseMarkerColumn}) {
            sections.back().lost += line[column] == kLostMarker ? 1 : 0;
            sections.back().added += line[column] == kNewMarker ? 1 : 0;
        }
    }
    return sections;
}

// What tidy finds wrong with `page`: "" when nothing, or when tidy is missing.
std::string tidyComplaints(const TempDir& dir, const std::string& page) {
    const std::string pagePath = dir.write("page.html", page);
    const std::string reportPath = dir.file("tidy.txt");
    const std::string command =
        "tidy -errors -q \"" + pagePath + "\" > \"" + reportPath + "\" 2>&1";
    const int status = std::system(command.c_str());
    return status == 0 ? std::string() : readFile(reportPath);
}

bool tidyAvailable() {
#ifdef _WIN32
    return false;
#else
    return std::system("tidy -v > /dev/null 2>&1") == 0;
#endif
}

// Listing 2 of the example pair with hostile texts in a path and in
// descriptions: markup, quotes, '&' and bytes that are not UTF-8.
std::string hostileListing(const TempDir& dir) {
    std::string listing = readFile(sourcePath("examples/run2.lst"));
    const auto replace = [&](std::string_view from, std::string_view to) {
        const std::size_t at = listing.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        listing.replace(at, from.size(), to);
    };
    replace("src/main.c", "src/<em>m&amp;\"ain'\xFF.c");
    replace("if (c->mode == MODE_OFF)",
            "if (c->mode == \"</td><script>alert(1)</script>\xC3(\x01)");
    replace("return out", "return '\xE2\x82' & <em>out");
    return dir.write("hostile.lst", listing);
}

TEST(HtmlPages, FilePagesShowEveryMarkerAndAddressEverySourceLine) {
    TempDir dir;
    const bool withTidy = tidyAvailable();
    const std::string run1 = sourcePath("examples/run1.lst");
    const std::string run2 = sourcePath("examples/run2.lst");
    const struct {
        std::string name;
        std::string listing1;
        std::string listing2;
    } pairs[] = {
        {"the example pair", run1, run2},
        {"the pair the other way", run2, run1},
        {"listing 2 with itself", run2, run2},
        {"hostile texts", run1, hostileListing(dir)},
    };
    ReportModel model;
    model.title = "Coverage <of> \"thermoctl\" & co";
    for (const auto& pair : pairs) {
        SCOPED_TRACE(pair.name);
        std::string compared;
        RunOptions options;
        options.memoryOutput = &compared;
        ASSERT_EQ(
            runInProcess({"-i1", pair.listing1, "-i2", pair.listing2, "-p", "out"}, options).status,
            0);
        const std::vector<SectionMarkers> expected = markersBySection(compared);

        PageCollector collector(model);
        RunRequest request;
        request.paths = ListingPaths{pair.listing1.c_str(), pair.listing2.c_str()};
        request.observer = &collector;
        RunState run(request, systemMemory());
        collector.run = &run;
        compareListings(run);
        std::size_t section = 0;
        std::size_t lostMarkers = 0;
        for (const MonitoredFile* file = run.listing2->firstFile; file != nullptr;
             file = file->next, ++section) {
            SCOPED_TRACE(file->monitoredLine);
            ASSERT_LT(section, expected.size());
            ASSERT_EQ(collector.pages.count(file), 1U);
            const std::string& page = collector.pages[file];
            EXPECT_EQ(occurrences(page, "class=\"lost\""), expected[section].lost);
            EXPECT_EQ(occurrences(page, "class=\"new\""), expected[section].added);
            lostMarkers += expected[section].lost;
            // Listing 1's counts only beside a compared section's lines; no
            // function coverage figures in function coverage.
            EXPECT_EQ(occurrences(page, "<table class=\"pl c1\">"),
                      file->comparable != 0 ? 1U : 0U);
            EXPECT_EQ(occurrences(page, "<th>Coverage 1"),
                      isFunctionCoverage(file->modeLine, run.listing2->coverageView) ? 0U : 1U);
            // Nothing from the listing reaches the page as markup.
            EXPECT_EQ(occurrences(page, "<script"), 1U);
            EXPECT_EQ(occurrences(page, "<em"), 0U);

            std::set<std::uint32_t> sourceLines;
            for (const FunctionBlock* function = file->firstFunction; function != nullptr;
                 function = function->next) {
                for (const ListingLine* line = function->firstLine; line != nullptr;
                     line = line->next()) {
                    if (line->lineNumber != 0) {
                        sourceLines.insert(line->lineNumber);
                    }
                }
            }
            EXPECT_EQ(occurrences(page, "id=\"L"), sourceLines.size());
            for (const std::uint32_t line : sourceLines) {
                EXPECT_EQ(occurrences(page, "id=\"L" + std::to_string(line) + "\""), 1U) << line;
            }
            if (withTidy) {
                EXPECT_EQ(tidyComplaints(dir, page), "");
            }
        }
        EXPECT_EQ(section, expected.size());
        if (pair.name == "the example pair") {
            EXPECT_GT(lostMarkers, 0U);  // not vacuous
        }
    }
    if (!withTidy) {
        GTEST_SKIP() << "tidy is not installed: the pages were not validated";
    }
}

// The pages of a section written into memory, by name.
struct PagesInMemory : FilePageFiles {
    OutputStream& open(const std::string& page) override {
        names.push_back(page);
        out.useMemory(&pages[page]);
        return out;
    }
    void close(OutputStream& stream) override { EXPECT_TRUE(stream.close()); }

    OutputStream out;
    std::vector<std::string> names;
    std::map<std::string, std::string> pages;
};

// Split into parts of a few rows, a section's pages hold each lost item and
// each source line's address once, and every link to a lost item names the
// part that holds it.
TEST(HtmlPages, PartsOfALongSectionLinkToEachOther) {
    const std::string run1 = sourcePath("examples/run1.lst");
    const std::string run2 = sourcePath("examples/run2.lst");
    ReportModel model;
    PageCollector collector(model);
    RunRequest request;
    request.paths = ListingPaths{run1.c_str(), run2.c_str()};
    request.observer = &collector;
    RunState run(request, systemMemory());
    collector.run = &run;
    compareListings(run);
    std::size_t split = 0;
    for (const MonitoredFile* file = run.listing2->firstFile; file != nullptr; file = file->next) {
        FileSummary summary = collector.summaries[file];
        summary.page = "files/7-x.c.html";
        const std::string& whole = collector.pages[file];
        for (const std::int64_t rowsPerPart : {1, 7, 1000}) {
            SCOPED_TRACE(std::string(file->monitoredLine) + ", rows " +
                         std::to_string(rowsPerPart));
            PagesInMemory files;
            // Listing 1's sections are gone by now: listing 2's lines alone.
            writeFilePage(files, model, summary, *file, nullptr, run.listing2->coverageView,
                          nullptr, rowsPerPart);
            ASSERT_FALSE(files.names.empty());
            EXPECT_EQ(files.names[0], "files/7-x.c.html");
            if (files.names.size() > 1) {
                ++split;
                EXPECT_EQ(files.names[1], "files/7-x.c.part2.html");
            }
            std::string all;
            for (const std::string& name : files.names) {
                all += files.pages[name];
                EXPECT_EQ(occurrences(files.pages[name], "<nav class=\"parts\">"),
                          files.names.size() > 1 ? 1U : 0U);
            }
            EXPECT_EQ(occurrences(all, "class=\"lost\""), occurrences(whole, "class=\"lost\""));
            EXPECT_EQ(occurrences(all, "class=\"new\""), occurrences(whole, "class=\"new\""));
            EXPECT_EQ(occurrences(all, "id=\"L"), occurrences(whole, "id=\"L"));
            for (std::size_t lost = 1; lost <= occurrences(whole, "class=\"lost\""); ++lost) {
                const std::string id = "id=\"lost" + std::to_string(lost) + "\"";
                EXPECT_EQ(occurrences(all, id), 1U) << id;
            }
            // Every link to a lost item: its part (none for the same page) holds it.
            for (const std::string& name : files.names) {
                const std::string& page = files.pages[name];
                for (std::size_t at = page.find("href=\""); at != std::string::npos;
                     at = page.find("href=\"", at + 1)) {
                    const std::string href = page.substr(at + 6, page.find('"', at + 6) - at - 6);
                    const std::size_t hash = href.find("#lost");
                    if (hash == std::string::npos) {
                        continue;
                    }
                    const std::string target = hash == 0 ? name : "files/" + href.substr(0, hash);
                    ASSERT_EQ(files.pages.count(target), 1U) << href;
                    EXPECT_EQ(
                        occurrences(files.pages[target], "id=\"" + href.substr(hash + 1) + "\""),
                        1U)
                        << href << " in " << name;
                }
            }
        }
    }
    EXPECT_GT(split, 0U);
}

// An edited file's page: its lines aligned with listing 1's by hand, each
// kind of row once (paired and moved, added, deleted, a renamed and a
// deleted function).
TEST(HtmlPages, AlignedPageShowsAddedDeletedAndMovedLines) {
    const AlignedSample sample = alignedSample();
    const SectionAlignment& alignment = sample.alignment;
    ReportModel model;
    model.title = "Edits";
    FileSummary summary;
    summary.path = "src/a.c";
    summary.status = FileStatus::NotCompared;
    summary.reason = "different profile";
    summary.edited = true;
    summary.changes = alignment.changes;
    summary.functions = {{"f()", 10, {}, {}, {}, {}, false, {}},
                         {"new_name()", 40, {}, {}, {}, {}, false, "old_name()"},
                         {"gone()", 30, {}, {}, {}, {}, true, {}}};
    std::string page;
    OutputStream out;
    out.useMemory(&page);
    writeFilePage(out, model, summary, *sample.file2, sample.file1,
                  sample.listings->listing2->coverageView, &alignment);
    ASSERT_TRUE(out.close());

    const struct {
        std::string_view fragment;
        std::size_t count;
    } expected[] = {
        {"<p class=\"st\">edited</p>", 1},
        {"class=\"lost\"", 2},
        {"<span class=\"lost\" id=\"lost1\">v</span>", 1},
        {"class=\"new\"", 0},
        {"<span class=\"lost\" id=\"lost2\">v</span>", 1},
        {"<tr class=\"added\"", 1},
        {"<tr class=\"deleted\"", 2},
        {"<td>added<td>goto &lt;out&gt;", 1},
        {"<td>deleted<td>", 2},
        // Moved lines show their old number, deleted ones only that.
        {"<tr class=\"hl\" id=\"L15\"><td>15<td>12<td>2<td>1<td>2<td><td>0<td>", 1},
        {"<tr id=\"L17\"><td>17<td>14<td>1", 1},
        {"<tr class=\"deleted\"><td><td>13<td>2<td><td><td><td><td><td><td>deleted<td>return 1", 1},
        {"<tr class=\"deleted\" id=\"F2\"><td><td>30<td>1", 1},
        {"<tr class=\"added\" id=\"L16\"><td>16<td><td><td><td>0", 1},
        {"<td>renamed from old_name()<td>FUNCTION new_name()", 1},
        {"new_name()</a> <small>(renamed from old_name())</small>", 1},
        {"gone()</a> <small>(deleted)</small>", 1},
        {"id=\"L", 6},
        {"id=\"F", 3},
        {"2 lost items:", 1},
        {"<tr class=\"d\"><td colspan=\"10\"><td>#line 40 &quot;src/b.inc&quot;\n", 1},
    };
    for (const auto& part : expected) {
        EXPECT_EQ(occurrences(page, part.fragment), part.count) << part.fragment << "\n" << page;
    }
    // In parts of two rows: the same rows, addresses and lost items.
    PagesInMemory files;
    writeFilePage(files, model, summary, *sample.file2, sample.file1,
                  sample.listings->listing2->coverageView, &alignment, 2);
    EXPECT_GT(files.names.size(), 1U);
    std::string all;
    for (const std::string& name : files.names) {
        all += files.pages[name];
    }
    for (const std::string_view part : {"id=\"L", "<tr class=\"deleted\"", "<tr class=\"added\"",
                                        "class=\"lost\" id=\"lost2\"", "id=\"F2\""}) {
        EXPECT_EQ(occurrences(all, part), occurrences(page, part)) << part;
    }
    if (!tidyAvailable()) {
        GTEST_SKIP() << "tidy is not installed: the page was not validated";
    }
    TempDir dir;
    EXPECT_EQ(tidyComplaints(dir, page), "");
}

TEST(HtmlPages, IndexShowsEveryFigureWithoutMarkerClasses) {
    const std::string run1 = sourcePath("examples/run1.lst");
    const std::string run2 = sourcePath("examples/run2.lst");
    ReportModel model;
    model.title = "Coverage <of> \"thermoctl\" & co";
    model.warnings = {"the coverage views differ: <MC/DC> & \"function\""};
    model.listing1.path = run1;
    model.listing1.fields = {{"Program", "thermoctl <1.3>"},
                             {"Test command", "thermoctl --selftest"}};
    model.listing1.producedAt = "Tue Mar  4 10:00:00 2025";
    model.listing2.path = run2;
    model.listing2.fields = {{"Program", "thermoctl 1.4"}, {"Trace file", "runs/x.ktr"}};
    model.listing2.coverageView = "Decision+Condition coverage";
    PageCollector collector(model);
    RunRequest request;
    request.paths = ListingPaths{run1.c_str(), run2.c_str()};
    request.observer = &collector;
    RunState run(request, systemMemory());
    collector.run = &run;
    compareListings(run);
    for (const MonitoredFile* file = run.listing2->firstFile; file != nullptr; file = file->next) {
        model.files.push_back(collector.summaries[file]);
    }
    FileSummary& removed = model.files.emplace_back();
    removed.path = "lib\\legacy/<old>.c";
    removed.status = FileStatus::Removed;
    removed.ter1 = {true, 55, 159336, 288123};
    FileSummary& edited = model.files.emplace_back();
    edited.path = "src/edited.c";
    edited.status = FileStatus::NotCompared;
    edited.reason = "different profile";
    edited.edited = true;
    edited.change = {0, 0, 0};
    edited.changes = {5, 1, 2, 3, 4, 6, 7, 8};
    FileSummary& moved = model.files.emplace_back();
    moved.path = "src/new/<moved>.c";
    moved.status = FileStatus::NotCompared;
    moved.reason = "no file";
    moved.movedFrom = "src/old/<moved>.c";
    model.totals = {{true, 64, 96, 149},      {true, 71, 115, 160}, {79, 59, 23}, 4, 1, 1, 3,
                    {10, 1, 2, 3, 3, 1, 7, 8}};

    std::string index;
    OutputStream out;
    out.useMemory(&index);
    writeIndexPage(out, model);
    ASSERT_TRUE(out.close());

    EXPECT_EQ(occurrences(index, "class=\"lost\""), 0U);
    EXPECT_EQ(occurrences(index, "class=\"new\""), 0U);
    EXPECT_EQ(occurrences(index, "<script"), 1U);
    const std::string_view expectedParts[] = {
        "<h1>Coverage &lt;of&gt; &quot;thermoctl&quot; &amp; co</h1>",
        "the coverage views differ: &lt;MC/DC&gt; &amp; &quot;function&quot;",
        "thermoctl &lt;1.3&gt;",
        "<td>runs/x.ktr",
        "64.4% <small>(96/149)</small>",
        "71.9% <small>(115/160)</small>",
        "<b>+59 <small>(29 marked ^, 30 covered in files not compared)</small></b>",
        "<b>79 <small>in files compared</small></b>",
        "<b>−23</b>",
        "<b>4</b>",
        "not compared: no file",
        "&lt;old&gt;.c<td>55.3% <small>(159,336/288,123)</small><td>—",
        "<td>removed",
        "data-dir=\"lib\\legacy\"",
        // Edited and moved files by their status, their new and lost items
        // from the aligned view, and every file's categories in short and in full.
        "edited.c<td>—<td>—<td>—<td>6<td class=\"neg\">3<td title=\"kept covered 5, kept "
        "uncovered 1, gained 2, lost 3, added covered 4, added uncovered 6, deleted covered 7, "
        "deleted uncovered 8\">6 / 2 / 3 / 4 of 10 / 15<td>edited\n",
        "<td>moved from src/old/&lt;moved&gt;.c\n",
        "<tr class=\"ll\"><td>edited.c",
        "<span>Changed-code coverage</span><b>75.0% <small>(3/4)</small></b>",
        "<span>Items lost</span><b>−3</b>",
        "<span>Items kept</span><b>11 <small>(10 covered)</small></b>",
    };
    for (const std::string_view part : expectedParts) {
        EXPECT_EQ(occurrences(index, part), 1U) << part;
    }
    for (const FileSummary& file : model.files) {
        if (!file.page.empty()) {
            EXPECT_EQ(occurrences(index, "<a href=\"" + file.page + "\">"), 1U) << file.path;
        }
    }
    if (!tidyAvailable()) {
        GTEST_SKIP() << "tidy is not installed: the index was not validated";
    }
    TempDir dir;
    EXPECT_EQ(tidyComplaints(dir, index), "");
}

}  // namespace
}  // namespace korvcmp::testing
