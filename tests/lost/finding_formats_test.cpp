// The three output formats on texts that need escaping: GitHub workflow
// commands (% CR LF everywhere, : and , in properties) and JSON strings
// (quotes, backslashes, control characters, bytes that are not UTF-8).
#include <gtest/gtest.h>

#include <string>

#include "lost/finding_formats.h"
#include "lost/text_escaping.h"

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
        {"q\"t\tb\bf\fx\x01\x1f\x7f", "q\"t\tb\bf\fx\x01\x1f\x7f", "q\"t\tb\bf\fx\x01\x1f\x7f",
         "\"q\\\"t\\tb\\bf\\fx\\u0001\\u001f\x7f\""},
        // Valid UTF-8 of two, three and four bytes stays as it is.
        {"\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80", "\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80",
         "\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80", "\"\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80\""},
        // Every byte that is not part of valid UTF-8 becomes U+FFFD: a stray
        // continuation byte, Latin-1, a sequence cut short, an overlong form,
        // a surrogate, a code point beyond U+10FFFF.
        {"a\x80z", "a\x80z", "a\x80z", "\"a\\ufffdz\""},
        {"\xe4\xff", "\xe4\xff", "\xe4\xff", "\"\\ufffd\\ufffd\""},
        {"\xe2\x82", "\xe2\x82", "\xe2\x82", "\"\\ufffd\\ufffd\""},
        {"\xc0\xaf", "\xc0\xaf", "\xc0\xaf", "\"\\ufffd\\ufffd\""},
        {"\xed\xa0\x80", "\xed\xa0\x80", "\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
        {"\xf4\x90\x80\x80", "\xf4\x90\x80\x80", "\xf4\x90\x80\x80",
         "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},
        // Long text, looked at sixteen characters at a time: what needs an
        // escape is found wherever it stands in a run.
        {"0123456789abcdef\"0123456789abcde\\0123456789abcdef%x\n",
         "0123456789abcdef\"0123456789abcde\\0123456789abcdef%25x%0A",
         "0123456789abcdef\"0123456789abcde\\0123456789abcdef%25x%0A",
         "\"0123456789abcdef\\\"0123456789abcde\\\\0123456789abcdef%x\\n\""},
        {"plain for sixteen: \xc3\xa4, \x80 and \x1f"
         "!",
         "plain for sixteen%3A \xc3\xa4%2C \x80 and \x1f"
         "!",
         "plain for sixteen: \xc3\xa4, \x80 and \x1f"
         "!",
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

    const struct {
        FindingFormat format;
        std::string expected;
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
    };
    for (const auto& c : cases) {
        EXPECT_EQ(written([&](OutputStream& out) {
                      FindingWriter writer(out, c.format, 0);
                      writer.markedItem(lost);
                      writer.markedItem(added);
                      writer.uncomparedFile(note);
                  }),
                  c.expected);
    }
}

}  // namespace
}  // namespace korvcmp::testing
