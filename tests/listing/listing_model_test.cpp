// Stored lines: lists that run on across the line store's chunks walk back in
// order with their texts intact and writable, also after the store is reused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/fatal.h"
#include "listing/line_store.h"
#include "platform/system_memory.h"

namespace korvcmp {
namespace {

struct List {
    ListingLine* head = nullptr;
    ListingLine* tail = nullptr;
};

std::vector<std::string> walk(const ListingLine* line) {
    std::vector<std::string> texts;
    for (; line != nullptr; line = line->next()) {
        EXPECT_EQ(line->text()[line->length], '\0');
        texts.emplace_back(line->view());
    }
    return texts;
}

// Lines of many lengths up to the longest a listing line can have, so that
// the store moves to new chunks in the middle of the lists.
std::vector<std::string> longLines(std::size_t count, char letter) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < count; ++i) {
        lines.emplace_back((i * 977) % 4096, static_cast<char>(letter + i % 3));
    }
    return lines;
}

// Stores `first` as one list, a single line, then `second` as another list.
struct Stored {
    List first;
    ListingLine* single = nullptr;
    List second;
};

Stored store(LineStore& lines, const std::vector<std::string>& first,
             const std::vector<std::string>& second) {
    Stored stored;
    for (const std::string& text : first) {
        lines.append(stored.first.head, stored.first.tail, text);
    }
    stored.single = lines.single("#line 7 \"x.c\"");
    for (const std::string& text : second) {
        lines.append(stored.second.head, stored.second.tail, text);
    }
    return stored;
}

TEST(LineStore, ListsAcrossChunksWalkBackInOrder) {
    LineStore lines{systemMemory()};
    // About 2 MB in all: several chunks.
    const std::vector<std::string> first = longLines(300, 'a');
    const std::vector<std::string> second = longLines(700, 'k');
    Stored stored = store(lines, first, second);
    EXPECT_EQ(walk(stored.first.head), first);
    EXPECT_EQ(walk(stored.second.head), second);
    EXPECT_EQ(stored.first.tail->next(), nullptr);
    EXPECT_EQ(stored.single->next(), nullptr);
    EXPECT_EQ(stored.single->view(), "#line 7 \"x.c\"");

    // Markers go into the records, the texts stay as read, and the lists still walk.
    for (ListingLine* line = stored.second.head; line != nullptr; line = line->next()) {
        line->setMarker(kTrueMarkerColumn, kNewMarker);
        line->setMarker(kFalseMarkerColumn, kLostMarker);
    }
    EXPECT_EQ(walk(stored.second.head), second);
    std::vector<std::string> marked;
    for (const ListingLine* line = stored.second.head; line != nullptr; line = line->next()) {
        marked.push_back(line->markedText());
    }
    std::vector<std::string> expected = second;
    for (std::string& text : expected) {
        if (text.size() > 10) {
            text[10] = '^';
        }
        if (text.size() > 21) {
            text[21] = 'v';
        }
    }
    EXPECT_EQ(marked, expected);

    // Reused, the store serves new lists of other lengths from the same chunks.
    lines.reuse();
    const std::vector<std::string> again = longLines(900, 'p');
    std::vector<std::string> shorter(again.begin() + 1, again.end());
    stored = store(lines, shorter, again);
    EXPECT_EQ(walk(stored.first.head), shorter);
    EXPECT_EQ(walk(stored.second.head), again);
}

// Many short lines, empty ones among them, fill chunks up to their last
// bytes: the jump to the next chunk must still fit into each chunk.
TEST(LineStore, ShortLinesFillChunksToTheirEnds) {
    LineStore lines{systemMemory()};
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < 150000; ++i) {
        texts.emplace_back((i * 7) % 17, static_cast<char>('a' + i % 26));
    }
    List list;
    for (const std::string& text : texts) {
        lines.append(list.head, list.tail, text);
    }
    EXPECT_EQ(walk(list.head), texts);
}

TEST(LineStore, AppendingToAListThatIsNoLongerLastFails) {
    LineStore lines{systemMemory()};
    List a;
    List b;
    lines.append(a.head, a.tail, "one");
    lines.append(b.head, b.tail, "two");
    try {
        lines.append(a.head, a.tail, "three");
        FAIL() << "append returned";
    } catch (const FatalError& error) {
        EXPECT_STREQ(error.what(), "Internal error, data structures look corrupted");
    }
    EXPECT_EQ(walk(a.head), std::vector<std::string>{"one"});
}

}  // namespace
}  // namespace korvcmp
