// The output formats on texts that need escaping: GitHub workflow commands
// (% CR LF everywhere, : and , in properties) and JSON strings (quotes,
// backslashes, control characters, bytes that are not UTF-8); paths as SARIF
// URIs and Code Quality paths; one item and one note in each format, with
// and without a limit; and fingerprints that stay when lines move.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "lost/finding_formats.h"
#include "output/code_quality_report.h"
#include "output/sarif_log.h"
#include "output/text_escaping.h"

namespace korvcmp::testing {
namespace {

template <typename Write>
std::string written(Write write) {
    std::string text;
    OutputStream out;
    out.useMemory(&text);
    write(out);
    out.close();
    return text;
}

TEST(FindingFormats, EscapingForWorkflowCommandsAndJson) {
    static const struct {
        std::string text;
        std::string property;
        std::string message;
        std::string json;
    } cases[] = {
        {"plain/file.c", "plain/file.c", "plain/file.c", "\"plain/file.c\""},
        {"C:\\a,b%c.c", "C%3A\\a%2Cb%25c.c", "C:\\a,b%25c.c", "\"C:\\\\a,b%c.c\""},
        {"cr\rlf\n", "cr%0Dlf%0A", "cr%0Dlf%0A", "\"cr\\rlf\\n\""},
        {"q\"t\tb\bf\fx\x01\x1f\x7f", "q\"t\tb\\x08f\\x0cx\\x01\\x1f\\x7f",
         "q\"t\tb\\x08f\\x0cx\\x01\\x1f\\x7f", "\"q\\\"t\\tb\\bf\\fx\\u0001\\u001f\x7f\""},
        // Valid UTF-8 of two, three and four bytes stays as it is.
        {"\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80", "\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80",
         "\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80", "\"\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80\""},
        // Control bytes but the tab, and bytes that are not part of valid
        // UTF-8, are shown as \xHH in workflow commands, which reach the
        // log. In JSON every byte that is not part of valid UTF-8 becomes
        // U+FFFD: a stray
        // continuation byte, Latin-1, a sequence cut short, an overlong form,
        // a surrogate, a code point beyond U+10FFFF.
        {"a\x80z", "a\\x80z", "a\\x80z", "\"a\\ufffdz\""},
        {"\xe4\xff", "\\xe4\\xff", "\\xe4\\xff", "\"\\ufffd\\ufffd\""},
        {"\xe2\x82", "\\xe2\\x82", "\\xe2\\x82", "\"\\ufffd\\ufffd\""},
        {"\xc0\xaf", "\\xc0\\xaf", "\\xc0\\xaf", "\"\\ufffd\\ufffd\""},
        {"\xed\xa0\x80", "\\xed\\xa0\\x80", "\\xed\\xa0\\x80", "\"\\ufffd\\ufffd\\ufffd\""},
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80", "\\xf4\\x90\\x80\\x80",
         "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},
        // Long text, looked at sixteen characters at a time: what needs an
        // escape is found wherever it stands in a run.
        {"0123456789abcdef\"0123456789abcde\\0123456789abcdef%x\n",
         "0123456789abcdef\"0123456789abcde\\0123456789abcdef%25x%0A",
         "0123456789abcdef\"0123456789abcde\\0123456789abcdef%25x%0A",
         "\"0123456789abcdef\\\"0123456789abcde\\\\0123456789abcdef%x\\n\""},
        {"plain for sixteen: \xc3\xa4, \x80 and \x1f"
         "!",
         "plain for sixteen%3A \xc3\xa4%2C \\x80 and \\x1f!",
         "plain for sixteen: \xc3\xa4, \\x80 and \\x1f!",
         "\"plain for sixteen: \xc3\xa4, \\ufffd and \\u001f!\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(written([&](OutputStream& out) { writeWorkflowProperty(out, c.text); }),
                  c.property);
        EXPECT_EQ(written([&](OutputStream& out) { writeWorkflowMessage(out, c.text); }),
                  c.message);
        EXPECT_EQ(written([&](OutputStream& out) { writeJsonString(out, c.text); }), c.json);
    }
}

TEST(FindingFormats, OneItemAndOneNoteInEachFormat) {
    MarkedItem lost;
    lost.file = "dir:x/a,b.c";
    lost.sourceLine = 7;
    lost.function = "operator,(int)";
    lost.count = "TRUE outcome";
    lost.markerColumn = 10;
    lost.description = "if (s == \"100%\")";
    lost.listingLine = 40;
    MarkedItem added = lost;
    added.change = CoverageChange::New;
    added.sourceLine = 0;  // no line number: GitHub gets none
    added.markerColumn = 21;
    added.count = "FALSE outcome";
    const UncomparedFile note{"b.c", "no file", 3};
    FingerprintMaker maker;
    std::vector<std::string> fingerprints;
    const auto itemFingerprint = [&](const MarkedItem& item) {
        return maker.ofItem(item.file, item.function, item.description, item.count);
    };
    for (const Fingerprint& fingerprint :
         {itemFingerprint(lost), itemFingerprint(added), maker.ofFile(note.file)}) {
        char text[Fingerprint::kTextSize];
        fingerprints.emplace_back(text, fingerprint.write(text));
    }
    // The first object of a Code Quality report, with and without a limit.
    const std::string codeQualityLost =
        "[\n  {\"description\":\"Lost coverage: TRUE outcome in operator,(int): if (s == "
        "\\\"100%\\\")\",\"check_name\":\"lost-coverage\",\"fingerprint\":\"" +
        fingerprints[0] +
        "\",\"severity\":\"major\",\"location\":{\"path\":\"dir:x/a,b.c\","
        "\"lines\":{\"begin\":7}}},\n";

    const struct {
        FindingFormat format;
        std::string expected;
        std::int64_t limit = 0;
    } cases[] = {
        {FindingFormat::Gnu,
         "dir:x/a,b.c:7: lost: TRUE outcome in operator,(int): if (s == \"100%\")\n"
         "dir:x/a,b.c:0: new: FALSE outcome in operator,(int): if (s == \"100%\")\n"
         "b.c: note: not compared (no file), so its lost coverage cannot be shown\n"},
        {FindingFormat::GitHub,
         "::warning file=dir%3Ax/a%2Cb.c,line=7,title=Lost coverage::TRUE outcome in "
         "operator,(int): if (s == \"100%25\")\n"
         "::notice file=dir%3Ax/a%2Cb.c,title=New coverage::FALSE outcome in operator,(int): "
         "if (s == \"100%25\")\n"
         "::notice file=b.c,title=Not compared::not compared (no file), so its lost coverage "
         "cannot be shown\n"},
        {FindingFormat::Json,
         "{\"change\":\"lost\",\"file\":\"dir:x/a,b.c\",\"line\":7,\"function\":\"operator,(int)\","
         "\"count\":\"TRUE outcome\",\"column\":10,\"description\":\"if (s == \\\"100%\\\")\","
         "\"listing_line\":40}\n"
         "{\"change\":\"new\",\"file\":\"dir:x/a,b.c\",\"line\":0,\"function\":\"operator,(int)\","
         "\"count\":\"FALSE outcome\",\"column\":21,\"description\":\"if (s == \\\"100%\\\")\","
         "\"listing_line\":40}\n"
         "{\"change\":\"not compared\",\"file\":\"b.c\",\"reason\":\"no file\","
         "\"listing_line\":3}\n"},
        {FindingFormat::CodeQuality,
         codeQualityLost +
             "  {\"description\":\"New coverage: FALSE outcome in operator,(int): if (s == "
             "\\\"100%\\\")\",\"check_name\":\"new-coverage\",\"fingerprint\":\"" +
             fingerprints[1] +
             "\",\"severity\":\"info\",\"location\":{\"path\":\"dir:x/a,b.c\","
             "\"lines\":{\"begin\":1}}},\n"
             "  {\"description\":\"Not compared (no file), so its lost coverage cannot be "
             "shown\",\"check_name\":\"not-compared\",\"fingerprint\":\"" +
             fingerprints[2] +
             "\",\"severity\":\"info\",\"location\":{\"path\":\"b.c\",\"lines\":"
             "{\"begin\":1}}}\n]\n"},
        // A limit: the first findings, then one line or note on the rest.
        {FindingFormat::Gnu,
         "dir:x/a,b.c:7: lost: TRUE outcome in operator,(int): if (s == \"100%\")\n"
         "korvcmp-lost: note: 2 findings left out by --limit 1\n",
         1},
        {FindingFormat::GitHub,
         "::warning file=dir%3Ax/a%2Cb.c,line=7,title=Lost coverage::TRUE outcome in "
         "operator,(int): if (s == \"100%25\")\n"
         "::notice file=dir%3Ax/a%2Cb.c,title=New coverage::FALSE outcome in operator,(int): "
         "if (s == \"100%25\")\n"
         "::notice title=Left out::1 finding left out by --limit 2\n",
         2},
        {FindingFormat::Json,
         "{\"change\":\"lost\",\"file\":\"dir:x/a,b.c\",\"line\":7,\"function\":\"operator,(int)\","
         "\"count\":\"TRUE outcome\",\"column\":10,\"description\":\"if (s == \\\"100%\\\")\","
         "\"listing_line\":40}\n"
         "{\"change\":\"left out\",\"findings\":2}\n",
         1},
        {FindingFormat::CodeQuality,
         codeQualityLost +
             "  {\"description\":\"2 findings left out by --limit 1\",\"check_name\":"
             "\"left-out\",\"fingerprint\":\"left-out\",\"severity\":\"info\","
             "\"location\":{\"path\":\"in/compared.lst\",\"lines\":{\"begin\":1}}}\n]\n",
         1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(written([&](OutputStream& out) {
                      FindingWriter writer(out, c.format, c.limit);
                      writer.begin();
                      writer.markedItem(lost);
                      writer.markedItem(added);
                      writer.uncomparedFile(note);
                      writer.finish("", "in\\compared.lst");
                  }),
                  c.expected);
    }
}

TEST(FindingFormats, RulesOfAnotherToolInSarifAndCodeQuality) {
    constexpr FindingRule kUncovered = {"uncovered-new-code",
                                        "UncoveredNewCode",
                                        "warning",
                                        "minor",
                                        "New code not covered",
                                        "Full.",
                                        "Help."};
    const std::array rules = {kLostCoverageRule, kUncovered};
    const std::array<std::string_view, 4> message = {"Not covered: ", "a\x1b\"", " in ", "f()"};
    const FindingResult result{1, message, "src/n.c", 9, Fingerprint{0x1f, 2}};
    const std::string sarif = written([&](OutputStream& out) {
        SarifLocations locations;
        writeSarifStart(out, "korvcmp-report", rules);
        writeSarifResult(out, rules, result, locations, true);
        writeSarifEnd(out, FindingsEnd{});
    });
    EXPECT_NE(sarif.find("\"name\": \"korvcmp-report\""), std::string::npos);
    EXPECT_NE(sarif.find("{\"id\": \"uncovered-new-code\", \"name\": \"Uncovered"),
              std::string::npos);
    EXPECT_NE(sarif.find("{\"ruleId\":\"uncovered-new-code\",\"ruleIndex\":1,\"level\":"
                         "\"warning\",\"message\":{\"text\":\"Not covered: a\\u001b\\\" in "
                         "f()\"}"),
              std::string::npos)
        << sarif;
    EXPECT_EQ(written([&](OutputStream& out) {
                  writeCodeQualityStart(out);
                  writeCodeQualityResult(out, rules, result, true);
                  writeCodeQualityEnd(out, FindingsEnd{}, false);
              }),
              "[\n  {\"description\":\"Not covered: a\\u001b\\\" in f()\",\"check_name\":"
              "\"uncovered-new-code\",\"fingerprint\":\"000000000000001f:2\",\"severity\":"
              "\"minor\",\"location\":{\"path\":\"src/n.c\",\"lines\":{\"begin\":9}}}\n]\n");
}

TEST(FindingFormats, PathsAsSarifUrisAndCodeQualityPaths) {
    static const struct {
        std::string file;
        std::string sarif;
        std::string codeQuality;
    } cases[] = {
        {"src/a.c", R"("uri":"src/a.c","uriBaseId":"%SRCROOT%")", R"("src/a.c")"},
        {"./src\\a b.c", R"("uri":"src/a%20b.c","uriBaseId":"%SRCROOT%")", R"("src/a b.c")"},
        // A colon in a relative path would end a scheme; bytes past ASCII are encoded.
        {"dir:x/\xc3\xa4%.c", R"("uri":"dir%3Ax/%C3%A4%25.c","uriBaseId":"%SRCROOT%")",
         "\"dir:x/\xc3\xa4%.c\""},
        {"C:\\work\\a.c", R"("uri":"file:///C:/work/a.c")", R"("C:/work/a.c")"},
        {"/usr/include/x.h", R"("uri":"file:///usr/include/x.h")", R"("/usr/include/x.h")"},
        {"\\\\server\\share\\a.c", R"("uri":"file://server/share/a.c")", R"("//server/share/a.c")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(written([&](OutputStream& out) { writeSarifArtifactLocation(out, c.file); }),
                  c.sarif);
        EXPECT_EQ(written([&](OutputStream& out) { writeJsonPath(out, c.file); }), c.codeQuality);
    }
}

// The fingerprints of findings in the Code Quality format; a new file section
// begins before the item at `sectionAt`.
std::vector<std::string> fingerprintsOf(const std::vector<MarkedItem>& items,
                                        std::size_t sectionAt = 0) {
    std::vector<std::string> result;
    const std::string report = written([&](OutputStream& out) {
        FindingWriter writer(out, FindingFormat::CodeQuality, 0);
        writer.begin();
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i == sectionAt) {
                writer.fileSection();
            }
            writer.markedItem(items[i]);
        }
        writer.finish("", "-");
    });
    const std::string key = "\"fingerprint\":\"";
    for (std::size_t at = report.find(key); at != std::string::npos; at = report.find(key, at)) {
        at += key.size();
        result.push_back(report.substr(at, report.find('"', at) - at));
    }
    return result;
}

TEST(FindingFormats, FingerprintsStayWhenLinesMove) {
    MarkedItem first;
    first.file = "src/a.c";
    first.function = "f(int)";
    first.count = "hits";
    first.description = "return 0";
    first.sourceLine = 10;
    first.listingLine = 50;
    MarkedItem equal = first;  // the same words further down
    equal.sourceLine = 20;
    equal.listingLine = 60;
    MarkedItem other = first;
    other.description = "return 1";
    other.sourceLine = 15;

    const std::vector<std::string> before = fingerprintsOf({first, other, equal});
    ASSERT_EQ(before.size(), 3U);
    // Equal findings differ by their place among equal ones.
    EXPECT_EQ(before[0].substr(0, 17), before[2].substr(0, 17));
    EXPECT_TRUE(before[0].ends_with(":1") && before[2].ends_with(":2")) << before[0] << before[2];
    EXPECT_NE(before[0], before[1]);

    // Lines inserted above: every line number moves, and a new finding comes
    // before them, with other words.
    MarkedItem inserted = first;
    inserted.description = "x = 1";
    std::vector<MarkedItem> moved = {inserted, first, other, equal};
    for (MarkedItem& item : moved) {
        item.sourceLine += 7;
        item.listingLine += 9;
    }
    const std::vector<std::string> after = fingerprintsOf(moved);
    ASSERT_EQ(after.size(), 4U);
    EXPECT_EQ(std::vector<std::string>(after.begin() + 1, after.end()), before);
    // Every field but the lines makes a difference.
    for (std::string_view MarkedItem::*field :
         {&MarkedItem::file, &MarkedItem::function, &MarkedItem::count}) {
        MarkedItem changed = first;
        changed.*field = "z";
        EXPECT_NE(fingerprintsOf({changed})[0], before[0]);
    }
    // A file whose section the listing repeats: places go on counting, and
    // another file's between them start from 1.
    MarkedItem elsewhere = first;
    elsewhere.file = "src/b.c";
    const std::vector<std::string> repeated = fingerprintsOf({first, elsewhere, equal}, 1);
    EXPECT_EQ(repeated[0], before[0]);
    EXPECT_TRUE(repeated[1].ends_with(":1")) << repeated[1];
    EXPECT_EQ(repeated[2], before[2]);
}

}  // namespace
}  // namespace korvcmp::testing
