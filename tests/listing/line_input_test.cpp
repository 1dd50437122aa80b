// Line input: whole lines through the shared line buffer, the line counter,
// where and how reading stops, and the two line tests.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/fatal.h"
#include "driver/process_state.h"
#include "listing/line_input.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

using namespace std::string_literals;

// `length` letters, starting at `first`.
std::string letters(std::size_t length, char first = 'a') {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text.push_back(static_cast<char>('a' + (first - 'a' + i) % 26));
    }
    return text;
}

// The lines tryReadLine delivers until it returns false.
std::vector<std::string> readAll(InputStream& stream) {
    std::vector<std::string> lines;
    while (tryReadLine(stream)) {
        lines.emplace_back(process.lineBuffer);
    }
    return lines;
}

class LineInput : public ::testing::Test {
  protected:
    void SetUp() override {
        process.reset();
        process.listing1Path = "first.lst";
        process.listing2Path = "second.lst";
    }
    void TearDown() override { process.reset(); }

    // Opens `stream` on a new file that holds `content`; counting starts at 0.
    void open(InputStream& stream, const std::string& content, bool mapped = true) {
        stream.close();
        const std::string path = dir_.write("listing" + std::to_string(++files_), content);
        ASSERT_TRUE(stream.open(path.c_str(), mapped));
        process.lineCounter = 0;
    }

    // The message of the fatal error of readLine, or "" when it returns.
    static std::string readLineError(InputStream& stream) {
        try {
            readLine(stream);
        } catch (const FatalError& error) {
            return error.what();
        }
        return "";
    }

    TempDir dir_;
    int files_ = 0;
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

// readLine on either stream, mapped or read in blocks, delivers the whole
// lines and then fails naming the path of that stream's listing; tryReadLine
// delivers the same lines and then returns false with the counter at the
// same number.
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
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (InputStream* stream : {&process.listing1Stream, &process.listing2Stream}) {
            for (const bool mapped : {true, false}) {
                SCOPED_TRACE(mapped ? "mapped" : "read");
                open(*stream, c.content, mapped);
                for (std::size_t i = 0; i < c.lines.size(); ++i) {
                    readLine(*stream);
                    EXPECT_EQ(process.lineBuffer, c.lines[i]);
                    EXPECT_EQ(process.lineCounter, static_cast<std::int64_t>(i + 1));
                }
                const std::string path =
                    stream == &process.listing1Stream ? "first.lst" : "second.lst";
                EXPECT_EQ(readLineError(*stream), "Read error of file " + path + ", near line " +
                                                      std::to_string(c.stopLine));
            }
        }
        open(process.listing2Stream, c.content);
        EXPECT_EQ(readAll(process.listing2Stream), c.lines);
        EXPECT_EQ(process.lineCounter, c.stopLine);
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
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.line + "\" / \"" + c.literal + "\"");
        process.lineBuffer = c.line;
        EXPECT_EQ(lineEquals(c.literal), c.equals);
        EXPECT_EQ(lineStartsWith(c.literal), c.startsWith);
    }
    process.lineBuffer = {};
}

// Several MiB of lines of every length a read takes whole, long and short
// mixed, some with CR LF ends, and a last line without newline: lines cross
// the reader's block boundaries at all kinds of places.
struct ManyLines {
    std::string content;
    std::vector<std::string> lines;
};

ManyLines manyLines(std::size_t bytes = std::size_t{5} << 20) {
    std::minstd_rand random(20250305);
    ManyLines text;
    while (text.content.size() < bytes) {
        const bool crlf = random() % 4 == 0;
        std::size_t length = text.lines.size() % 3 == 0 ? random() % 4096 : random() % 40;
        if (text.lines.size() % 97 == 0) {
            length = 4095;
        }
        if (crlf && length == 4095) {
            length = 4094;
        }
        text.lines.push_back(letters(length, static_cast<char>('a' + text.lines.size() % 26)));
        text.content += text.lines.back() + (crlf ? "\r\n" : "\n");
    }
    text.content += "last line without newline";
    return text;
}

void expectReadBack(InputStream& stream, const ManyLines& text) {
    const std::vector<std::string> lines = readAll(stream);
    EXPECT_EQ(lines.size(), text.lines.size());
    EXPECT_TRUE(lines == text.lines);
    EXPECT_EQ(process.lineCounter, static_cast<std::int64_t>(text.lines.size() + 1));
    EXPECT_FALSE(tryReadLine(stream));
    EXPECT_EQ(process.lineCounter, static_cast<std::int64_t>(text.lines.size() + 1));
}

// The same lines whether the file is mapped or read in blocks.
TEST_F(LineInput, LargeFileReadsBackExactly) {
    const ManyLines text = manyLines();
    const std::string path = dir_.write("large.lst", text.content);
    for (const bool mapped : {true, false}) {
        SCOPED_TRACE(mapped ? "mapped" : "read");
        process.listing2Stream.close();
        ASSERT_TRUE(process.listing2Stream.open(path.c_str(), mapped));
        EXPECT_EQ(process.listing2Stream.piecesStayValid(), mapped);
        process.lineCounter = 0;
        expectReadBack(process.listing2Stream, text);
    }
}

// A mapping large enough to have its pages touched ahead by a second thread,
// detached from its file half way and then emptied on disk: the lines read
// before keep their text, and the rest reads on as if nothing happened.
TEST_F(LineInput, DetachedMappingKeepsItsLines) {
    const ManyLines text = manyLines(std::size_t{20} << 20);
    const std::string path = dir_.write("large.lst", text.content);
    InputStream& stream = process.listing2Stream;
    ASSERT_TRUE(stream.open(path.c_str()));
    ASSERT_TRUE(stream.piecesStayValid());
    EXPECT_TRUE(stream.isSameFileAs(path.c_str()));
    process.lineCounter = 0;

    std::vector<std::string_view> kept;
    const std::size_t half = text.lines.size() / 2;
    while (kept.size() < half && tryReadLine(stream)) {
        kept.push_back(process.lineBuffer);
    }
    stream.detachFromFile();
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);

    ASSERT_EQ(kept.size(), half);
    for (std::size_t i = 0; i < half; ++i) {
        ASSERT_EQ(kept[i], text.lines[i]) << "line " << i + 1;
    }
    std::vector<std::string> rest = readAll(stream);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), text.lines.begin() + static_cast<long>(half),
                           text.lines.end()));
    EXPECT_EQ(rest.size(), text.lines.size() - half);
}

TEST_F(LineInput, FifoReadsLikeAFile) {
    const ManyLines text = manyLines();
    const std::string path = dir_.file("listing.fifo");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    std::thread writer([&] {
        // A reader that stops early makes the write fail instead of raising SIGPIPE.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        const int fd = ::open(path.c_str(), O_WRONLY);
        // Odd-sized writes, so that reads see partial blocks.
        for (std::size_t at = 0; fd >= 0 && at < text.content.size();) {
            const ssize_t put = ::write(fd, text.content.data() + at,
                                        std::min<std::size_t>(7919, text.content.size() - at));
            if (put <= 0) {
                break;
            }
            at += static_cast<std::size_t>(put);
        }
        ::close(fd);
    });
    const bool opened = process.listing2Stream.open(path.c_str());
    EXPECT_TRUE(opened);
    if (opened) {
        process.lineCounter = 0;
        expectReadBack(process.listing2Stream, text);
    } else {
        // Let the writer's open return, so that the thread ends.
        ::close(::open(path.c_str(), O_RDONLY | O_NONBLOCK));
    }
    process.listing2Stream.close();
    writer.join();
}

}  // namespace
}  // namespace korvcmp::testing
