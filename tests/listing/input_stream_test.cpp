// The pieces a listing file is handed out in: for texts of every line length
// (empty lines by the thousand, lines beyond the read limit, lines across the
// reader's blocks) with NULs here and there, mapped, read in blocks, read
// ahead on another thread, and taken as runs of whole lines, the pieces and
// their NUL verdicts are those of a plain search of each piece.
#include "listing/input_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_support.h"

namespace korvcmp {
namespace {

struct Piece {
    std::string text;
    bool holdsNul = false;
    bool operator==(const Piece&) const = default;
};

// The pieces of `text` as a bounded line read gives them.
std::vector<Piece> expectedPieces(std::string_view text, std::size_t limit) {
    std::vector<Piece> pieces;
    while (!text.empty()) {
        const std::size_t newline = text.substr(0, limit).find('\n');
        const std::size_t size =
            newline == std::string_view::npos ? std::min(limit, text.size()) : newline + 1;
        const std::string_view piece = text.substr(0, size);
        pieces.push_back({std::string(piece), piece.find('\0') != std::string_view::npos});
        text.remove_prefix(size);
    }
    return pieces;
}

// The pieces of the stream, one by one or, `inRuns`, as runs of whole lines
// too (a run is cut off now and then, as a caller may).
std::vector<Piece> readPieces(InputStream& stream, std::size_t limit, bool inRuns) {
    std::vector<Piece> pieces;
    std::size_t taken = 0;
    for (;;) {
        if (inRuns) {
            stream.takeBufferedLines(limit, [&](std::string_view piece) {
                pieces.push_back({std::string(piece), false});
                return ++taken % 997 != 0;
            });
        }
        const std::string_view piece = stream.nextPiece(limit);
        if (piece.empty()) {
            return pieces;
        }
        pieces.push_back({std::string(piece), stream.holdsNul(piece)});
    }
}

// Lines of lengths drawn from `lengths` (each one or, one time in
// `nulEvery`, a NUL somewhere in it), up to about `size` bytes.
std::string textOf(std::mt19937& random, std::size_t size, std::size_t maxLength,
                   unsigned nulEvery) {
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::string text;
    while (text.size() < size) {
        std::string line(length(random), 'a');
        for (std::size_t i = 0; i < line.size(); ++i) {
            line[i] = static_cast<char>('a' + (random() % 26));
        }
        if (nulEvery != 0 && random() % nulEvery == 0 && !line.empty()) {
            line[random() % line.size()] = '\0';
        }
        text += line + '\n';
    }
    return text;
}

TEST(InputStream, PiecesAreThoseOfAPlainSearch) {
    std::mt19937 random(20261208);
    struct Case {
        const char* name;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"short lines", textOf(random, 200000, 80, 0)},
        {"empty lines by the thousand", std::string(5000, '\n') + "end\n"},
        {"one and two byte lines", textOf(random, 100000, 1, 0)},
        {"short lines with NULs, over blocks", textOf(random, 2500000, 80, 50)},
        {"NULs in every other line", textOf(random, 20000, 8, 2)},
        {"lines beyond the limit", textOf(random, 200000, 9000, 0)},
        {"long lines with NULs, over blocks", textOf(random, 2500000, 9000, 5)},
        {"no newline at the end", textOf(random, 70000, 100, 0) + "tail without newline"},
        {"NUL in the tail", textOf(random, 1000, 100, 0) + std::string("tail\0", 5)},
        {"a single newline", "\n"},
        // Large enough for the page toucher to run ahead of the reader.
        {"large, NULs far apart", textOf(random, std::size_t{18} << 20, 120, 60000)},
        {"large, one NUL near the end",
         textOf(random, std::size_t{17} << 20, 120, 0) + std::string("a\0b\n", 4) + "end\n"},
    };
    enum class Access { Mapped, Read, ReadAhead };
    const struct {
        Access access;
        bool inRuns;
        const char* name;
    } ways[] = {
        {Access::Mapped, false, "mapped"},
        {Access::Read, false, "read"},
        {Access::Read, true, "read, in runs"},
        {Access::ReadAhead, true, "read ahead, in runs"},
    };
    for (const Case& c : cases) {
        for (const auto& way : ways) {
            for (const std::size_t limit : {std::size_t{4096}, std::size_t{7}}) {
                if (c.text.size() > (std::size_t{4} << 20) && limit == 7) {
                    continue;  // millions of pieces add nothing here
                }
                SCOPED_TRACE(std::string(c.name) + ", " + way.name + ", limit " +
                             std::to_string(limit));
                const testing::TempDir dir;
                const std::string path = dir.write("listing.lst", c.text);
                BackgroundWorker worker;
                ASSERT_TRUE(worker.start());
                InputStream stream;
                if (way.access == Access::ReadAhead) {
                    stream.readAheadOn(&worker);
                }
                ASSERT_TRUE(stream.open(path.c_str(), way.access == Access::Mapped));
                EXPECT_EQ(stream.piecesStayValid(),
                          way.access == Access::Mapped && testing::kListingsMapped);
                const std::vector<Piece> pieces = readPieces(stream, limit, way.inRuns);
                const std::vector<Piece> expected = expectedPieces(c.text, limit);
                ASSERT_EQ(pieces.size(), expected.size());
                for (std::size_t i = 0; i < pieces.size(); ++i) {
                    ASSERT_EQ(pieces[i], expected[i]) << "piece " << i;
                }
            }
        }
    }
}

}  // namespace
}  // namespace korvcmp
