// The Markdown summary and the JSON document written from a hand-built
// model: JSON strings of hostile texts, documents that parse, the fields and
// nulls the document promises, Markdown that keeps its tables whatever the
// texts hold, and a summary of thousands of lost items under its limit.
#include "report/summary_writers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/terminal_text.h"
#include "base/utf8_sequence.h"
#include "output/figure_text.h"
#include "output/json_text.h"
#include "report/markdown_text.h"

namespace korvcmp {
namespace {

template <typename Write>
std::string writtenBy(const Write& write) {
    std::string sink;
    OutputStream out;
    out.useMemory(&sink);
    write(out);
    EXPECT_TRUE(out.close());
    return sink;
}

// A strict reading of one JSON document: true when `text` is exactly one
// value, with every string valid UTF-8 free of raw control characters.
class JsonCheck {
  public:
    explicit JsonCheck(std::string_view text) : text_(text) {}

    bool document() { return value() && next() == '\0'; }

  private:
    // The next character after blanks; NUL at the end.
    char next() {
        at_ = std::min(text_.find_first_not_of(" \t\r\n", at_), text_.size());
        return at_ < text_.size() ? text_[at_] : '\0';
    }
    bool take(char c) { return next() == c && ++at_ != 0; }
    bool string() {
        if (!take('"')) {
            return false;
        }
        while (at_ < text_.size() && text_[at_] != '"') {
            const auto c = static_cast<unsigned char>(text_[at_]);
            std::size_t length = c >= 0x80 ? utf8SequenceLength(text_.substr(at_)) : 1;
            if (c == '\\') {
                const std::string_view escape = text_.substr(at_ + 1, 5);
                const bool unicode =
                    escape.size() == 5 && escape[0] == 'u' &&
                    escape.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string_view::npos;
                const bool simple =
                    !escape.empty() &&
                    std::string_view("\"\\/bfnrt").find(escape[0]) != std::string_view::npos;
                length = unicode ? 6 : simple ? 2 : 0;
            }
            if (c < 0x20 || length == 0) {
                return false;
            }
            at_ += length;
        }
        return take('"');
    }
    template <typename Element>
    bool list(char close, const Element& element) {
        if (take(close)) {
            return true;
        }
        do {
            if (!element()) {
                return false;
            }
        } while (take(','));
        return take(close);
    }
    bool value() {
        switch (next()) {
            case '{':
                ++at_;
                return list('}', [&] { return string() && take(':') && value(); });
            case '[':
                ++at_;
                return list(']', [&] { return value(); });
            case '"':
                return string();
            default:
                break;
        }
        const std::size_t digits = at_ + (text_.substr(at_).starts_with('-') ? 1 : 0);
        const std::size_t end =
            std::min(text_.find_first_not_of("0123456789", digits), text_.size());
        for (const std::string_view word : {"true", "false", "null"}) {
            if (text_.substr(at_).starts_with(word)) {
                at_ += word.size();
                return true;
            }
        }
        return end > digits && (at_ = end) != 0;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

TEST(JsonString, EscapesWhatJsonCannotHoldAndCopiesTheRest) {
    struct Case {
        std::string_view name;
        std::string text;
        std::string json;
        std::string terminal;  // as a terminal or a CI log is given it
    };
    const std::string longRun = std::string(20, 'a') + "\"" + std::string(20, 'b') + "\\";
    const Case cases[] = {
        {"empty", "", R"("")", ""},
        {"plain", "src/control.c", R"("src/control.c")", "src/control.c"},
        {"quote and backslash", R"(a"b\c)", R"("a\"b\\c")", R"(a"b\c)"},
        {"short escapes", "\b\f\n\r\t", R"("\b\f\n\r\t")", "\\x08\\x0c\\x0a\\x0d\t"},
        {"other controls", std::string("\x00\x01\x1f", 3), R"("\u0000\u0001\u001f")",
         R"(\x00\x01\x1f)"},
        {"delete stays", "a\x7f", "\"a\x7f\"", R"(a\x7f)"},
        {"terminal escape sequence and bell", "\x1b[31mred\x07", R"("\u001b[31mred\u0007")",
         R"(\x1b[31mred\x07)"},
        {"valid UTF-8", "\xC3\xA4 \xE2\x86\x92 \xF0\x9F\x98\x80",
         "\"\xC3\xA4 \xE2\x86\x92 \xF0\x9F\x98\x80\"", "\xC3\xA4 \xE2\x86\x92 \xF0\x9F\x98\x80"},
        {"stray continuation", "a\x80z", R"("a\ufffdz")", R"(a\x80z)"},
        {"sequence cut short at the end", "a\xE2\x86", R"("a\ufffd\ufffd")", R"(a\xe2\x86)"},
        {"overlong form", "\xC0\xAF", R"("\ufffd\ufffd")", R"(\xc0\xaf)"},
        {"surrogate", "\xED\xA0\x80", R"("\ufffd\ufffd\ufffd")", R"(\xed\xa0\x80)"},
        {"beyond U+10FFFF", "\xF5\x80\x80\x80", R"("\ufffd\ufffd\ufffd\ufffd")",
         R"(\xf5\x80\x80\x80)"},
        {"escapes inside and after long runs", longRun,
         "\"" + std::string(20, 'a') + "\\\"" + std::string(20, 'b') + "\\\\\"", longRun},
        {"invalid byte after a long valid run", std::string(18, 'x') + "\xC3\xA4\xFF",
         "\"" + std::string(18, 'x') + "\xC3\xA4\\ufffd\"", std::string(18, 'x') + "\xC3\xA4\\xff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string json =
            writtenBy([&](OutputStream& out) { writeJsonString(out, c.text); });
        EXPECT_EQ(json, c.json);
        EXPECT_TRUE(JsonCheck(json).document());
        EXPECT_EQ(terminalText(c.text), c.terminal);
    }
}

TerFigures ter(std::int64_t percent, std::int64_t covered, std::int64_t total) {
    return {true, percent, covered, total};
}

FileSummary fileSummary(std::string path, FileStatus status, ChangeFigures change,
                        TerFigures ter1 = {}, TerFigures ter2 = {}) {
    FileSummary file;
    file.path = std::move(path);
    file.status = status;
    file.change = change;
    file.ter1 = ter1;
    file.ter2 = ter2;
    return file;
}

// Three files, one of each status, with hostile texts where a listing may
// have them.
ReportModel sampleModel() {
    ReportModel model;
    model.title = "Nightly";
    model.listing1 = {
        "base.lst",
        {{"Program", "ctl"}, {"Test command", "make \"check\""}, {"Program", "again"}},
        "Mon Dec  7 10:00:00 2026",
        "decision"};
    model.listing2 = {"new.lst", {}, "Tue Dec  8 10:00:00 2026", "decision"};
    model.warnings = {"the coverage views differ"};
    FileSummary compared =
        fileSummary("src/a.c", FileStatus::Compared, {5, 1, 2}, ter(71, 5, 7), ter(57, 4, 7));
    compared.page = "files/a.c.html";
    compared.functions.push_back(
        {"main()", 12, ter(100, 2, 2), ter(50, 1, 2), {2, 0, 1}, {}, false, {}});
    compared.functions.push_back({"f\"\x01\xff", 20, {}, {}, {}, {}, false, {}});
    compared.changes = {1, 2, 3, 4, 5, 6, 7, 8};
    model.files.push_back(compared);
    FileSummary notCompared =
        fileSummary("src/b|c.c", FileStatus::NotCompared, {0, 1, 0}, {}, ter(50, 1, 2));
    notCompared.reason = "no file";
    notCompared.movedFrom = "src/b.c";
    notCompared.functions.push_back({"g(int)", 3, {}, {}, {}, {}, false, "g()"});
    notCompared.functions.push_back({"h()", 9, {}, {}, {}, {}, true, {}});
    model.files.push_back(notCompared);
    model.files.push_back(fileSummary("src/gone.c", FileStatus::Removed, {}, ter(80, 4, 5)));
    model.totals = {ter(64, 96, 149), ter(70, 110, 157), {96, 21, 5}, 1, 1, 1, 2, {}};
    model.firstLostItems = {{"src/a.c", 12, "main()", "hits", "26", "x = 1;"},
                            {"src/a.c", 14, "main()", "FALSE", "3", "if (a|b)"}};
    model.lostItemCount = 2;
    return model;
}

// `fragments` are in `text`, one after the other.
void expectInOrder(const std::string& text, const std::vector<std::string_view>& fragments) {
    std::size_t from = 0;
    for (const std::string_view fragment : fragments) {
        const std::size_t at = text.find(fragment, from);
        EXPECT_NE(at, std::string::npos) << fragment << "\nafter\n"
                                         << text.substr(0, from) << "\nin\n"
                                         << text;
        from = at == std::string::npos ? from : at + fragment.size();
    }
}

TEST(JsonReport, ParsesAndHoldsEveryFieldWithItsNulls) {
    struct Case {
        std::string_view name;
        ReportModel model;
        std::vector<std::string_view> inOrder;
    };
    const Case cases[] = {
        {"empty model",
         ReportModel{},
         {R"("fields": {}})", R"("title": "",)", R"("warnings": [],)",
          R"("totals": {"ter1": null, "ter2": null, "hits1": 0, "new": 0, "lost": 0,)",
          R"("files": {"compared": 0, "notCompared": 0, "removed": 0, "withLostCoverage": 0}},)",
          R"("lostItems": 0,)", R"("files": [])"}},
        {"a file of each status",
         sampleModel(),
         {R"("listing1": {"path": "base.lst", "producedAt": "Mon Dec  7 10:00:00 2026", )",
          R"("coverageView": "decision", "fields": {"Program": "ctl", "Test command": "make \"check\""}},)",
          R"("listing2": {"path": "new.lst", )",
          R"("title": "Nightly",)",
          R"("warnings": ["the coverage views differ"],)",
          R"("totals": {"ter1": {"percent": 64, "covered": 96, "total": 149}, )",
          R"("ter2": {"percent": 70, "covered": 110, "total": 157}, "hits1": 96, "new": 21, "lost": 5,)",
          R"("files": {"compared": 1, "notCompared": 1, "removed": 1, "withLostCoverage": 2}},)",
          R"("lostItems": 2,)",
          R"({"file": "src/a.c", "status": "compared", "reason": null, "page": "files/a.c.html", )",
          R"("ter1": {"percent": 71, "covered": 5, "total": 7}, )",
          R"("ter2": {"percent": 57, "covered": 4, "total": 7}, "hits1": 5, "new": 1, "lost": 2, )",
          R"("movedFrom": null, "changes": {"keptCovered": 1, "keptUncovered": 2, "gained": 3, )",
          R"("lost": 4, "addedCovered": 5, "addedUncovered": 6, "deletedCovered": 7, )",
          R"("deletedUncovered": 8}, "functions": [)",
          R"j({"function": "main()", "line": 12, "ter1": {"percent": 100, "covered": 2, "total": 2}, )j",
          R"({"function": "f\"\u0001\ufffd", "line": 20, "ter1": null, "ter2": null, )",
          R"("hits1": 0, "new": 0, "lost": 0, "changes": {"keptCovered": 0, )",
          R"("deletedUncovered": 0}, "deleted": false, "renamedFrom": null}
    ]},)",
          R"({"file": "src/b|c.c", "status": "not compared", "reason": "no file", "page": null, )",
          R"("ter1": null, "ter2": {"percent": 50, "covered": 1, "total": 2}, "hits1": 0, "new": 1, )",
          R"("movedFrom": "src/b.c", )",
          R"j({"function": "g(int)", )j",
          R"j("deleted": false, "renamedFrom": "g()"},)j",
          R"j({"function": "h()", )j",
          R"j("deleted": true, "renamedFrom": null})j",
          R"({"file": "src/gone.c", "status": "removed", "reason": null, "page": null, )",
          R"("ter1": {"percent": 80, "covered": 4, "total": 5}, "ter2": null, "hits1": 0, "new": 0, )",
          R"("lost": 0, "movedFrom": null, "changes": {)",
          R"("deletedUncovered": 0}, "functions": []}
  ]
})"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string json =
            writtenBy([&](OutputStream& out) { writeJsonReport(out, c.model); });
        EXPECT_TRUE(JsonCheck(json).document()) << json;
        expectInOrder(json, c.inOrder);
    }
}

TEST(MarkdownText, EscapesEverythingThatWouldBeMarkup) {
    struct Case {
        std::string_view name;
        std::string text;
        std::string markdown;
    };
    const Case cases[] = {
        {"plain", "src/control.c", "src/control.c"},
        {"table cell ends", "a|b", "a\\|b"},
        {"a backslash before a pipe", "a\\|", "a\\\\\\|"},
        {"HTML", "<script>&amp;", "&lt;script&gt;&amp;amp;"},
        {"emphasis, code, links", "*_`[x](y)`_*", "\\*\\_\\`\\[x\\](y)\\`\\_\\*"},
        {"images, strike, math", "![a]~b~$c$", "\\!\\[a\\]\\~b\\~\\$c\\$"},
        {"line ends and controls", "a\r\nb\tc\x7f", "a  b c "},
        {"valid UTF-8", "\xC3\xA4\xE2\x86\x92", "\xC3\xA4\xE2\x86\x92"},
        {"invalid UTF-8", "a\xFF\xC3", "a\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"long text cut", std::string(kMarkdownCellTextLimit + 10, 'x'),
         std::string(kMarkdownCellTextLimit, 'x') + "…"},
        {"cut after a whole character",
         std::string(kMarkdownCellTextLimit - 1, 'x') + "\xE2\x86\x92" + "yy",
         std::string(kMarkdownCellTextLimit - 1, 'x') + "\xE2\x86\x92…"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string line = "| ";
        appendMarkdownText(line, c.text);
        EXPECT_EQ(line, "| " + c.markdown);
    }
}

TEST(MarkdownText, ListingTextsAreCodeSpansThatMakeNoLinks) {
    struct Case {
        std::string_view name;
        std::string text;
        std::string markdown;
    };
    const Case cases[] = {
        {"plain", "src/a.c", "`src/a.c`"},
        {"links, mentions, references",
         "@octocat #1 www.evil.example mail@evil.example <https://evil.example> [x](y)",
         "`@octocat #1 www.evil.example mail@evil.example <https://evil.example> [x](y)`"},
        {"backticks inside", "a`b``c", "```a`b``c```"},
        {"backticks at the ends", "`a`", "`` `a` ``"},
        {"blanks at both ends", " a ", "`  a  `"},
        {"table cell ends", "a|b\\|", "`a\\|b\\\\|`"},
        {"line ends and controls", "a\r\nb\x1b", "`a  b `"},
        {"invalid UTF-8", "a\xFF", "`a\xEF\xBF\xBD`"},
        {"empty", "", ""},
        {"long text cut", std::string(kMarkdownCellTextLimit + 1, 'x'),
         "`" + std::string(kMarkdownCellTextLimit, 'x') + "`…"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string line;
        appendMarkdownCode(line, c.text);
        EXPECT_EQ(line, c.markdown);
    }
}

// The cells of a table row: its pipes that no backslash escapes, less one.
std::size_t cellsOf(std::string_view row) {
    std::size_t pipes = 0;
    std::size_t backslashes = 0;
    for (const char c : row) {
        if (c == '|' && backslashes % 2 == 0) {
            ++pipes;
        }
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    return pipes - 1;
}

// Every row of every table has as many cells as the table's header.
void expectWholeTables(const std::string& markdown) {
    std::size_t headerCells = 0;
    std::size_t from = 0;
    while (from < markdown.size()) {
        const std::size_t end = markdown.find('\n', from);
        const std::string_view line(markdown.data() + from,
                                    (end == std::string::npos ? markdown.size() : end) - from);
        if (!line.starts_with("|")) {
            headerCells = 0;
        } else if (headerCells == 0) {
            headerCells = cellsOf(line);
        } else {
            EXPECT_EQ(cellsOf(line), headerCells) << line;
        }
        from = end == std::string::npos ? markdown.size() : end + 1;
    }
}

ReportModel modelWithLost(const std::vector<std::pair<std::string, std::int64_t>>& lostByFile) {
    ReportModel model;
    for (const auto& [path, lost] : lostByFile) {
        model.files.push_back(fileSummary(path, FileStatus::Compared, {lost, 0, lost}));
    }
    return model;
}

// An edited file and a moved one with lost items beside a compared file
// without: korvcmp saw no loss, the aligned view does.
ReportModel modelWithAlignedFiles() {
    ReportModel model = modelWithLost({{"src/a.c", 0}});
    FileSummary edited = fileSummary("src/e.c", FileStatus::NotCompared, {0, 9, 0});
    edited.edited = true;
    edited.changes = {5, 0, 1, 2, 3, 1, 0, 0};
    FileSummary moved = fileSummary("src/new/m.c", FileStatus::NotCompared, {0, 2, 0});
    moved.movedFrom = "src/old/m.c";
    moved.changes = {1, 0, 0, 3, 0, 0, 0, 0};
    model.files.push_back(edited);
    model.files.push_back(moved);
    model.totals.change = {0, 11, 0};
    model.totals.changes = {6, 0, 1, 5, 3, 1, 0, 0};
    model.firstLostItems = {{"src/e.c", 44, "ctl()", "FALSE", "38", "ternary", true, false},
                            {"src/new/m.c", 7, "m()", "hits", "1", "return", false, true}};
    model.lostItemCount = 5;
    return model;
}

TEST(FigureText, GroupsCountsAndRoundsPercentagesToATenth) {
    const struct {
        FigureText text;
        std::string_view expected;
    } cases[] = {
        {groupedCount(0), "0"},
        {groupedCount(999), "999"},
        {groupedCount(1000), "1,000"},
        {groupedCount(-1234567), "-1,234,567"},
        {groupedCount(INT64_MIN), "-9,223,372,036,854,775,808"},
        {percentText(percentTenths(96, 149)), "64.4%"},
        {percentText(percentTenths(1, 3)), "33.3%"},
        {percentText(percentTenths(2, 3)), "66.7%"},
        {percentText(percentTenths(1, 2000)), "0.1%"},  // 0.05 rounds up
        {percentText(percentTenths(1999, 2000)), "100.0%"},
        {percentText(percentTenths(INT64_MAX / 2, INT64_MAX)), "50.0%"},
        {pointsText(644, 719), "+7.5"},
        {pointsText(638, 609),
         "\xE2\x88\x92"
         "2.9"},
        {pointsText(500, 500), "0.0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.text.view(), c.expected);
    }
}

TEST(MarkdownSummary, SaysWhatWasLostInTablesThatHold) {
    struct Case {
        std::string_view name;
        ReportModel model;
        std::vector<std::string_view> inOrder;
        std::vector<std::string_view> absent;
    };
    ReportModel hostile = sampleModel();
    hostile.title = "<b>x</b> | [y](z)";
    hostile.files[0].path = "a|b`<script>&*_[x](y)\n\xFF.c";
    hostile.firstLostItems[0].description = "a | b <img src=x> `c` @octocat #1 www.evil.example";
    ReportModel large = sampleModel();
    large.totals.ter1 = ter(55, 159336, 288123);
    large.totals.change.lostHits = 1234567;
    large.files[0].change.lostHits = 4321;
    large.files[0].ter2 = ter(0, 0, 0);
    ReportModel nothingLost = modelWithLost({{"src/a.c", 0}});
    nothingLost.totals.ter1 = ter(50, 1, 2);
    const Case cases[] = {
        {"a file of each status",
         sampleModel(),
         {"## Nightly\n\nCoverage 64.4% → 70.1% (96/149 → 110/157), **+21 new, −5 lost** (new: 20 "
          "items marked new, 1 covered items of files not compared), changed-code coverage 100.0% "
          "(0/0)\n\n",
          "Files: 1 compared, 1 not compared, 1 removed, 2 with lost coverage.\n\n",
          "- **Warning:** `the coverage views differ`\n",
          "### Files with lost coverage\n\n| File | Coverage 1 → 2 | Lost | New |\n",
          "| `src/a.c` | 71.4% → 57.1% (5/7 → 4/7) | 2 | 1 |\n\n",
          "### Removed files that listing 1 covered\n\n", "| `src/gone.c` | 80.0% (4/5) |\n\n",
          "### Lost items\n\n", "| `src/a.c:12` | `main()` | hits 26 | `x = 1;` |\n",
          "| `src/a.c:14` | `main()` | FALSE 3 | `if (a\\|b)` |\n\n"},
         {"src/b", "No lost coverage", "more"}},
        {"nothing lost",
         nothingLost,
         {"## Coverage comparison\n\nCoverage 50.0% → n/a (1/2 → n/a), **+0 new, −0 lost**",
          "**No lost coverage.**\n"},
         {"###", "Warning"}},
        {"large counts grouped, a TER line of no items",
         large,
         {"Coverage 55.3% → 70.1% (159,336/288,123 → 110/157), **+21 new, −1,234,567 lost**",
          "| `src/a.c` | 71.4% → 0.0% (5/7 → 0/0) | 4,321 | 1 |\n"},
         {"159336"}},
        {"most lost first, ties in listing order",
         modelWithLost({{"a", 1}, {"b", 3}, {"c", 0}, {"d", 3}, {"e", 2}}),
         {"| `b` |", "| `d` |", "| `e` |", "| `a` |"},
         {"| `c` |"}},
        {"edited and moved files",
         modelWithAlignedFiles(),
         {"**+11 new, −0 lost**",
          ", changed-code coverage 75.0% (3/4), **−5 lost in edited and moved files**\n\n",
          "| File | Coverage 1 → 2 | Lost | New |\n",
          "| `src/new/m.c` (moved from `src/old/m.c`) | ", " | 3 | 0 |\n",
          "| `src/e.c` (edited) | ", " | 2 | 4 |\n", "### Lost items\n\n",
          "| `src/e.c:44` (edited) | `ctl()` | FALSE 38 | `ternary` |\n",
          "| `src/new/m.c:7` (moved) | `m()` | hits 1 | `return` |\n"},
         {"| `src/a.c` |", "No lost coverage"}},
        {"hostile texts",
         hostile,
         {"## &lt;b&gt;x&lt;/b&gt; \\| \\[y\\](z)\n",
          "| ``a\\|b`<script>&*_[x](y) \xEF\xBF\xBD.c`` | ",
          "| ``a \\| b <img src=x> `c` @octocat #1 www.evil.example`` |"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string markdown =
            writtenBy([&](OutputStream& out) { writeMarkdownSummary(out, c.model); });
        expectInOrder(markdown, c.inOrder);
        for (const std::string_view fragment : c.absent) {
            EXPECT_EQ(markdown.find(fragment), std::string::npos) << fragment << "\nin\n"
                                                                  << markdown;
        }
        expectWholeTables(markdown);
    }
}

// The rows of the table under `heading`.
std::size_t rowsUnder(const std::string& markdown, std::string_view heading) {
    std::size_t at = markdown.find(heading);
    if (at == std::string::npos) {
        return 0;
    }
    at = markdown.find("|---", at);
    std::size_t rows = 0;
    for (at = markdown.find('\n', at) + 1; markdown.compare(at, 1, "|") == 0;
         at = markdown.find('\n', at) + 1) {
        ++rows;
    }
    return rows;
}

TEST(MarkdownSummary, StaysUnderItsLimitAndSaysHowManyMore) {
    struct Case {
        std::string_view name;
        std::size_t lostFiles;
        std::size_t keptItems;
        std::int64_t lostItems;
        std::size_t limit = kMarkdownLimit;
    };
    const Case cases[] = {
        {"more files than fit", 20000, 10, 10},
        {"files alone use the whole limit", 20000, 0, 0},
        {"more items than the model kept", 1, 100, 250000},
        {"more kept items than fit", 1, ReportModel::kKeptLostItems, 90000},
        {"a pull request comment", 20000, 100, 90000, 65536},
        {"a pull request comment, files alone", 20000, 0, 0, 65536},
        {"the smallest limit", 200, 100, 100, kSmallestMarkdownLimit},
        {"below the smallest limit", 200, 100, 100, 10},
    };
    const std::string longText(300, 'n');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReportModel model;
        for (std::size_t i = 0; i < c.lostFiles; ++i) {
            model.files.push_back(fileSummary(longText + std::to_string(i), FileStatus::Compared,
                                              {1, 0, 1}, ter(50, 1, 2), ter(0, 0, 2)));
        }
        for (std::size_t i = 0; i < c.keptItems; ++i) {
            model.firstLostItems.push_back(
                {longText, static_cast<std::uint32_t>(i), longText, "hits", "1", longText});
        }
        model.lostItemCount = c.lostItems;
        const std::string markdown =
            writtenBy([&](OutputStream& out) { writeMarkdownSummary(out, model, c.limit); });
        const std::size_t limit = std::max(c.limit, kSmallestMarkdownLimit);
        EXPECT_LE(markdown.size(), limit);
        const std::size_t fileRows = rowsUnder(markdown, "### Files with lost coverage");
        const std::size_t itemRows = rowsUnder(markdown, "### Lost items");
        if (c.lostItems > 0) {
            EXPECT_GT(itemRows, 0U);
        } else {
            EXPECT_GT(markdown.size(), limit * 8 / 10);
        }
        if (fileRows < c.lostFiles) {
            const FigureText more = groupedCount(static_cast<std::int64_t>(c.lostFiles - fileRows));
            EXPECT_NE(markdown.find("… and " + std::string(more.view()) +
                                    " more files with lost coverage\n"),
                      std::string::npos);
        }
        const std::string itemsCut =
            "… and " +
            std::string(groupedCount(c.lostItems - static_cast<std::int64_t>(itemRows)).view()) +
            " more lost items\n\n";
        if (itemRows < static_cast<std::size_t>(c.lostItems)) {
            EXPECT_TRUE(markdown.ends_with(itemsCut)) << markdown.substr(markdown.size() - 200);
        }
        expectWholeTables(markdown);
    }
}

}  // namespace
}  // namespace korvcmp
