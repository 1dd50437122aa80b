// The line reader: whole lines through its line buffer, the line counter,
// where and how reading stops, and the two line tests. Reading from a named
// pipe and a mapping detached from its file are in line_reader_posix_test.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "base/fatal.h"
#include "listing/line_reader.h"
#include "support/line_texts.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

using namespace std::string_literals;

class LineInput : public ::testing::Test {
  protected:
    // Opens `reader` on the file `name` of the test's directory, which then
    // holds `content`; counting starts at 0.
    void open(LineReader& reader, const std::string& name, const std::string& content,
              bool mapped = true) {
        reader.close();
        paths_.push_back(dir_.write(name, content));
        ASSERT_TRUE(reader.open(paths_.back().c_str(), mapped));
    }

    // The message of the fatal error of readLine, or "" when it returns.
    static std::string readLineError(LineReader& reader) {
        try {
            reader.readLine();
        } catch (const FatalError& error) {
            return error.what();
        }
        return "";
    }

    TempDir dir_;
    std::deque<std::string> paths_;  // the readers refer to their paths
};

struct ReadCase {
    const char* name;
    std::string content;
    std::vector<std::string> lines;  // the whole lines, in order
    std::int64_t stopLine;           // the line number where reading stops
};

// Lines enough to fill the reader's block more than once, then a NUL.
std::string manyShortLinesThenNul(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += "abc\n";
    }
    return text + "x\0y\n"s + "z\n";
}

// The whole lines as runs of lines already read and single reads give them,
// each checked against its number.
std::vector<std::string> readAllInRuns(LineReader& reader) {
    std::vector<std::string> lines;
    for (;;) {
        reader.takeBufferedLines([&](std::string_view line, std::int64_t number) {
            EXPECT_EQ(number, static_cast<std::int64_t>(lines.size() + 1));
            lines.emplace_back(line);
            return true;
        });
        if (!reader.tryReadLine()) {
            return lines;
        }
        lines.emplace_back(reader.lineBuffer);
    }
}

// readLine on either stream, mapped or read in blocks, delivers the whole
// lines and then fails naming the path of that stream's listing; tryReadLine
// delivers the same lines and then returns false with the counter at the
// same number, and so do runs of lines read ahead.
TEST_F(LineInput, WholeLinesAndWhereReadingStops) {
    constexpr std::size_t kShortLines = 400000;
    const std::vector<ReadCase> cases = {
        {"empty file", "", {}, 0},
        {"end of file after whole lines", "one\ntwo\n", {"one", "two"}, 2},
        {"last line without newline", "one\ntwo", {"one"}, 2},
        {"blanks and empty lines kept", "  x  \n\n\t\n", {"  x  ", "", "\t"}, 3},
        {"4095 characters", letters(4095) + "\n", {letters(4095)}, 1},
        {"4096 characters", "a\n" + letters(4096) + "\nb\n", {"a"}, 2},
        {"NUL inside a line", "a\nb\0c\nd\n"s, {"a"}, 2},
        {"NUL first in a line", "\0x\n"s, {}, 1},
        {"NUL after more than a block", manyShortLinesThenNul(kShortLines),
         std::vector<std::string>(kShortLines, "abc"), static_cast<std::int64_t>(kShortLines + 1)},
        {"CR LF line ends", "one\r\n\r\ntwo\r\n", {"one", "", "two"}, 3},
        {"4094 characters, CR, LF", letters(4094) + "\r\n", {letters(4094)}, 1},
        {"4095 characters, CR, LF", letters(4095) + "\r\n", {}, 1},
        {"CR elsewhere kept", "a\rb\n\r\r\n\rc\n", {"a\rb", "\r", "\rc"}, 3},
        {"CR without newline at the end", "a\nb\r", {"a"}, 2},
    };
    LineReader first;
    LineReader second;
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (LineReader* reader : {&first, &second}) {
            for (const bool mapped : {true, false}) {
                SCOPED_TRACE(mapped ? "mapped" : "read");
                open(*reader, reader == &first ? "first.lst" : "second.lst", c.content, mapped);
                for (std::size_t i = 0; i < c.lines.size(); ++i) {
                    reader->readLine();
                    EXPECT_EQ(reader->lineBuffer, c.lines[i]);
                    EXPECT_EQ(reader->lineCounter, static_cast<std::int64_t>(i + 1));
                }
                const std::string path = dir_.file(reader == &first ? "first.lst" : "second.lst");
                EXPECT_EQ(readLineError(*reader), "Read error of file " + path + ", near line " +
                                                      std::to_string(c.stopLine));
            }
        }
        open(second, "second.lst", c.content);
        EXPECT_EQ(readAll(second), c.lines);
        EXPECT_EQ(second.lineCounter, c.stopLine);
        BackgroundWorker worker;
        ASSERT_TRUE(worker.start());
        LineReader inRuns;
        inRuns.readAheadOn(&worker);
        open(inRuns, "runs.lst", c.content, false);
        EXPECT_EQ(readAllInRuns(inRuns), c.lines);
        EXPECT_EQ(inRuns.lineCounter, c.stopLine);
    }
}

TEST(LineTests, EqualsAndStartsWith) {
    struct Case {
        const char* line;
        const char* literal;
        bool equals;
        bool startsWith;
    };
    const Case cases[] = {
        {"", "", true, true},
        {"   ", "", false, true},
        {"SUMMARY", "SUMMARY", true, true},
        {"SUMMARY of the run", "SUMMARY", false, true},
        {"SUMMARY ", "SUMMARY", false, true},
        {"SUMMAR", "SUMMARY", false, false},
        {" SUMMARY", "SUMMARY", false, false},
        {"Summary", "SUMMARY", false, false},
        {"MONITORED", "MONITORED ", false, false},
        {"MONITORED SOURCE FILE : a.c", "MONITORED ", false, true},
    };
    LineReader reader;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.line + "\" / \"" + c.literal + "\"");
        reader.lineBuffer = c.line;
        EXPECT_EQ(reader.lineEquals(c.literal), c.equals);
        EXPECT_EQ(reader.lineStartsWith(c.literal), c.startsWith);
    }
}

// The same lines whether the file is mapped or read in blocks.
TEST_F(LineInput, LargeFileReadsBackExactly) {
    const ManyLines text = manyLines();
    const std::string path = dir_.write("large.lst", text.content);
    LineReader reader;
    for (const bool mapped : {true, false}) {
        SCOPED_TRACE(mapped ? "mapped" : "read");
        reader.close();
        ASSERT_TRUE(reader.open(path.c_str(), mapped));
        EXPECT_EQ(reader.stream().piecesStayValid(), mapped && kListingsMapped);
        expectReadBack(reader, text);
    }
}

}  // namespace
}  // namespace korvcmp::testing
