// The line reader where it needs POSIX: a listing read from a named pipe, and
// a mapping detached from its file, which is then emptied on disk.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "listing/line_reader.h"
#include "support/child_process.h"
#include "support/line_texts.h"

namespace korvcmp::testing {
namespace {

// A mapping large enough to have its pages touched ahead by a second thread,
// detached from its file half way and then emptied on disk: the lines read
// before keep their text, and the rest reads on as if nothing happened.
TEST(LineInput, DetachedMappingKeepsItsLines) {
    const TempDir dir;
    const ManyLines text = manyLines(std::size_t{20} << 20);
    const std::string path = dir.write("large.lst", text.content);
    LineReader reader;
    ASSERT_TRUE(reader.open(path.c_str(), true));
    InputStream& stream = reader.stream();
    ASSERT_TRUE(stream.piecesStayValid());
    EXPECT_TRUE(stream.isSameFileAs(path.c_str()));

    std::vector<std::string_view> kept;
    const std::size_t half = text.lines.size() / 2;
    while (kept.size() < half && reader.tryReadLine()) {
        kept.push_back(reader.lineBuffer);
    }
    stream.detachFromFile();
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);

    ASSERT_EQ(kept.size(), half);
    for (std::size_t i = 0; i < half; ++i) {
        ASSERT_EQ(kept[i], text.lines[i]) << "line " << i + 1;
    }
    std::vector<std::string> rest = readAll(reader);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), text.lines.begin() + static_cast<long>(half),
                           text.lines.end()));
    EXPECT_EQ(rest.size(), text.lines.size() - half);
}

TEST(LineInput, FifoReadsLikeAFile) {
    const TempDir dir;
    const ManyLines text = manyLines();
    // Odd-sized writes, so that reads see partial blocks.
    FifoFeeder feeder(dir.file("listing.fifo"), text.content, 7919);
    LineReader reader;
    ASSERT_TRUE(reader.open(feeder.path().c_str(), true));
    expectReadBack(reader, text);
}

}  // namespace
}  // namespace korvcmp::testing
