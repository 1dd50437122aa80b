// The platform layer on whatever system the tests run on: input bytes arrive
// exactly as they are on disk, a file is known under another path, output
// lines end as the system's text files end them, and a replacement takes the
// place of its file only when it is complete.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/input_file.h"
#include "platform/output_file.h"
#include "support/temp_dir.h"

namespace korvcmp {
namespace {

using testing::kTextLineEnd;
using testing::readFile;
using testing::TempDir;

#ifdef _WIN32
// Windows keeps the name of a file that is open until its last handle closes,
// so nothing can be renamed over it meanwhile.
constexpr bool kReplacesOpenFiles = false;
#else
constexpr bool kReplacesOpenFiles = true;
#endif

// Bytes the listing reader reads in one block, and more.
constexpr std::size_t kReadBlock = std::size_t{1} << 20;

std::string everyByteValue() {
    std::string bytes;
    for (int value = 0; value < 256; ++value) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

std::string patternOfSize(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t at = 0; at < size; ++at) {
        bytes[at] = static_cast<char>("0123456789abcdef\r\n\032"[at % 19]);
    }
    return bytes;
}

// The whole file through read(), in blocks of `blockSize`.
std::string readThrough(InputFile& file, std::size_t blockSize) {
    std::string bytes;
    std::vector<char> block(blockSize);
    for (;;) {
        const std::int64_t got = file.read(block.data(), block.size());
        if (got <= 0) {
            EXPECT_EQ(got, 0) << "read error";
            return bytes;
        }
        bytes.append(block.data(), static_cast<std::size_t>(got));
    }
}

TEST(InputFile, BytesArriveAsTheyAreOnDisk) {
    static const struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"CR LF kept", "one\r\ntwo\r\n"},
        {"Ctrl-Z is no end of file", "before\032after\n\032"},
        {"no final newline", "last line"},
        {"empty", ""},
        {"every byte value", everyByteValue()},
        {"larger than one read block", patternOfSize(3 * kReadBlock + 17)},
    };
    const TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("listing.lst", c.content);
        InputFile file;
        ASSERT_TRUE(file.open(path.c_str()));
        EXPECT_EQ(file.regularFileSize(), static_cast<std::int64_t>(c.content.size()));
        EXPECT_EQ(readThrough(file, kReadBlock), c.content);
        EXPECT_TRUE(file.close());

        // Mapped where the system maps, the bytes are the same.
        ASSERT_TRUE(file.open(path.c_str()));
        const std::span<const char> mapped = file.map();
        if (!mapped.empty()) {
            EXPECT_EQ(std::string(mapped.begin(), mapped.end()), c.content);
        }
        EXPECT_TRUE(file.close());
    }
}

TEST(InputFile, KnowsWhetherAPathNamesTheOpenFile) {
    const TempDir dir;
    const std::string path = dir.write("listing.lst", "the same bytes\n");
    dir.write("other.lst", "the same bytes\n");
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_hard_link(path, dir.path() / "sub" / "link.lst");
    static const struct {
        const char* path;  // relative to the directory
        bool same;
    } cases[] = {
        {"listing.lst", true}, {"sub/../listing.lst", true}, {"sub/link.lst", true},
        {"other.lst", false},  {"missing.lst", false},       {"sub", false},
    };
    InputFile file;
    ASSERT_TRUE(file.open(path.c_str()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(file.isSameFileAs((dir.path() / c.path).string().c_str()), c.same);
    }
    EXPECT_TRUE(file.close());
    EXPECT_FALSE(file.isSameFileAs(path.c_str())) << "a closed file is no file";
}

TEST(InputFile, SizesBeyondFourGiB) {
    const TempDir dir;
    const std::string path = dir.write("large.lst", "");
    constexpr std::uintmax_t kSize = (std::uintmax_t{5} << 30) + 3;
    std::filesystem::resize_file(path, kSize);  // sparse where the file system allows
    InputFile file;
    ASSERT_TRUE(file.open(path.c_str()));
    EXPECT_EQ(file.regularFileSize(), static_cast<std::int64_t>(kSize));
    EXPECT_TRUE(file.close());
}

TEST(OutputFile, LinesEndAsTheSystemsTextFilesEndThem) {
    static const struct {
        const char* name;
        std::vector<std::string> writes;
    } cases[] = {
        {"whole lines", {"one\ntwo\n"}},
        {"a line in pieces", {"o", "ne", "\n", "\ntwo"}},
        {"CR LF written gets one more CR", {"a\r\n"}},
        {"lines longer than any buffer", {"x\n", std::string(100000, 'y') + "\nz\n"}},
    };
    const TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("out.txt", "bytes that the output replaces\n");
        OutputFile output;
        ASSERT_TRUE(output.create(path.c_str()));
        std::string expected;
        for (const std::string& piece : c.writes) {
            EXPECT_TRUE(output.write(piece.data(), piece.size()));
            for (const char character : piece) {
                expected +=
                    character == '\n' ? std::string(kTextLineEnd) : std::string(1, character);
            }
        }
        EXPECT_TRUE(output.close());
        EXPECT_EQ(readFile(path), expected);
    }
}

TEST(OutputFile, ReplacementTakesThePlaceOfItsFileOnlyWhenClosed) {
    const std::string old = "old bytes\r\nkept\032 as they are\n";
    static const struct {
        const char* name;
        bool openForReading;  // the replaced file is open as an input meanwhile
        bool replaced;
        std::function<void(OutputFile&)> end;
    } cases[] = {
        {"closed", false, true, [](OutputFile& output) { EXPECT_TRUE(output.close()); }},
        {"closed while being read", true, kReplacesOpenFiles,
         [](OutputFile& output) { EXPECT_EQ(output.close(), kReplacesOpenFiles); }},
        {"abandoned", false, false, [](OutputFile& output) { output.abandon(); }},
        {"abandoned while being read", true, false, [](OutputFile& output) { output.abandon(); }},
        {"left open", false, false, [](OutputFile&) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        const std::string path = dir.write("listing2.lst", old);
        {
            InputFile input;
            ASSERT_TRUE(!c.openForReading || input.open(path.c_str()));
            OutputFile output;
            ASSERT_TRUE(output.createReplacement(path.c_str()));
            EXPECT_TRUE(output.write("new\n", 4));
            EXPECT_EQ(readFile(path), old) << "replaced before the close";
            c.end(output);
            EXPECT_TRUE(input.close());
        }
        EXPECT_EQ(readFile(path), c.replaced ? "new" + std::string(kTextLineEnd) : old);
        const auto files = std::distance(std::filesystem::directory_iterator(dir.path()),
                                         std::filesystem::directory_iterator());
        EXPECT_EQ(files, 1) << "no replacement left behind";
    }
}

}  // namespace
}  // namespace korvcmp
