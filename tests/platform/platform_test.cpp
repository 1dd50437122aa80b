// The platform layer on whatever system the tests run on: input bytes arrive
// exactly as they are on disk, a file is known under another path, output
// lines end as the system's text files end them (or as written, when asked),
// a replacement takes the place of its file only when it is complete, and
// directories are made, renamed and removed without following links.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/directories.h"
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

TEST(InputFile, KnowsWhetherAPathNamesTheOpenFileOrAnother) {
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
        const std::string other = (dir.path() / c.path).string();
        EXPECT_EQ(file.isSameFileAs(other.c_str()), c.same);
        EXPECT_EQ(namesSameFile(path.c_str(), other.c_str()), c.same);
    }
    EXPECT_TRUE(namesSameFile((dir.path() / "sub").string().c_str(),
                              (dir.path() / "sub" / ".").string().c_str()));
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

TEST(OutputFile, LinesEndAsTheSystemsTextFilesEndThemOrAsWritten) {
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
    for (const LineEnds lineEnds : {LineEnds::system, LineEnds::asWritten}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) +
                         (lineEnds == LineEnds::system ? ", system" : ", as written"));
            const std::string path = dir.write("out.txt", "bytes that the output replaces\n");
            OutputFile output;
            ASSERT_TRUE(output.create(path.c_str(), lineEnds));
            std::string expected;
            for (const std::string& piece : c.writes) {
                EXPECT_TRUE(output.write(piece.data(), piece.size()));
                for (const char character : piece) {
                    expected += character == '\n' && lineEnds == LineEnds::system
                                    ? std::string(kTextLineEnd)
                                    : std::string(1, character);
                }
            }
            EXPECT_TRUE(output.close());
            EXPECT_EQ(readFile(path), expected);
        }
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

// A symbolic link to a directory, where the system lets the tests make one
// (Windows asks for a privilege).
bool linkDirectory(const std::filesystem::path& target, const std::filesystem::path& link) {
    std::error_code error;
    std::filesystem::create_directory_symlink(target, link, error);
    return !error;
}

TEST(Directories, KnowWhatAPathNamesWithoutFollowingALink) {
    const TempDir dir;
    dir.write("file", "bytes");
    std::filesystem::create_directory(dir.path() / "directory");
    static const struct {
        const char* path;  // relative to the directory
        PathKind kind;
    } cases[] = {
        {"file", PathKind::file},          {"directory", PathKind::directory},
        {"missing", PathKind::nothing},    {"missing/below", PathKind::nothing},
        {"file/below", PathKind::nothing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(pathKind((dir.path() / c.path).string()), c.kind);
    }
    EXPECT_TRUE(isEmptyDirectory((dir.path() / "directory").string()));
    EXPECT_FALSE(isEmptyDirectory(dir.path().string()));
    if (linkDirectory(dir.path() / "directory", dir.path() / "link")) {
        EXPECT_EQ(pathKind((dir.path() / "link").string()), PathKind::other);
    }
}

TEST(Directories, AreMadeAndRenamedOnlyWhereNothingIs) {
    const TempDir dir;
    const std::string made = dir.file("made");
    EXPECT_TRUE(makeDirectory(made));
    EXPECT_FALSE(makeDirectory(made)) << "it exists";
    EXPECT_FALSE(makeDirectory(dir.file("missing/below"))) << "no parent";
    EXPECT_EQ(pathKind(made), PathKind::directory);

    dir.write("made/inside", "kept");
    std::filesystem::create_directory(dir.path() / "taken");  // empty: rename(2) would replace it
    EXPECT_FALSE(renameDirectory(made, dir.file("taken")));
    EXPECT_FALSE(renameDirectory(dir.file("missing"), dir.file("elsewhere")));
    EXPECT_EQ(readFile(dir.file("made/inside")), "kept");
    EXPECT_TRUE(renameDirectory(made, dir.file("renamed")));
    EXPECT_EQ(pathKind(made), PathKind::nothing);
    EXPECT_EQ(readFile(dir.file("renamed/inside")), "kept");
}

TEST(Directories, TreeIsRemovedWithoutFollowingLinksOutOfIt) {
    const TempDir dir;
    const std::filesystem::path outside = dir.path() / "outside";
    std::filesystem::create_directories(outside / "deeper");
    dir.write("outside/deeper/kept", "kept");
    const std::filesystem::path tree = dir.path() / "tree";
    std::filesystem::create_directories(tree / "a" / "b" / "c");
    dir.write("tree/a/b/c/file", "x");
    dir.write("tree/a/read-only", "x");
    std::filesystem::permissions(tree / "a" / "read-only", std::filesystem::perms::owner_read);
    dir.write("tree/top", "x");
    const bool linked = linkDirectory(outside, tree / "a" / "link");

    EXPECT_TRUE(removeDirectoryTree(tree.string()));
    EXPECT_EQ(pathKind(tree.string()), PathKind::nothing);
    EXPECT_EQ(readFile((outside / "deeper" / "kept").string()), "kept") << "linked: " << linked;
    EXPECT_TRUE(removeDirectoryTree(tree.string())) << "nothing there is nothing left";

    const std::string file = dir.write("file", "kept");
    EXPECT_FALSE(removeDirectoryTree(file));
    EXPECT_EQ(readFile(file), "kept");
    if (linkDirectory(outside, dir.path() / "link")) {
        EXPECT_FALSE(removeDirectoryTree(dir.file("link"))) << "a link is no directory of its own";
        EXPECT_EQ(readFile((outside / "deeper" / "kept").string()), "kept");
    }
}

}  // namespace
}  // namespace korvcmp
