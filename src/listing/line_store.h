// Storage for ListingLine records. A record refers to text that stays valid
// for the run (a mapped listing), or is followed by a copy of a text that
// does not. The elements of a list are stored one after another, so a list
// needs no next pointers. When a chunk is full, a forwarding record at its
// end leads to the first record of the next chunk.
#pragma once

#include <cstring>
#include <new>
#include <string_view>

#include "base/arena.h"
#include "listing/listing_model.h"

namespace korvcmp {

// Whether a text outlives the read that produced it.
enum class TextSource {
    Stable,     // stays where it is while the run lasts: the record refers to it
    Transient,  // overwritten by the next read: the record keeps a copy
};

class LineStore {
  public:
    explicit LineStore(MemorySource& source) : chunks_(source) {}

    // Stores `text` as the new tail of the list [head, tail]. The list being
    // built must be the one whose tail was stored last.
    ListingLine* append(ListingLine*& head, ListingLine*& tail, std::string_view text,
                        TextSource source = TextSource::Transient) {
        if (tail != nullptr && tail != lastStored_) {
            listBroken();
        }
        ListingLine* line = store(text, source);
        if (tail == nullptr) {
            head = line;
        } else {
            tail->flags &= ~ListingLine::kLastInList;
        }
        tail = line;
        return line;
    }

    // Stores `text` as a line that belongs to no list.
    ListingLine* single(std::string_view text, TextSource source = TextSource::Transient);

    // Positions in the store, for forEachStored: where the first line is
    // stored, and where the next line will be stored. Both are none before
    // the first line.
    const char* begin() const { return chunks_.firstChunk(); }
    const char* end() const { return chunks_.cursor(); }

    // Calls `visit` with every line stored from position `from` up to
    // position `to`, in the order they were stored. Another thread may walk
    // lines that are no longer being stored, as it reads only the lines.
    template <typename Visit>
    void forEachStored(const char* from, const char* to, Visit&& visit);

    void prefaultWith(BackgroundWorker* worker) { chunks_.prefaultWith(worker); }

    // Starts again at the first chunk, keeping the memory; every line stored
    // so far becomes invalid.
    void reuse();

  private:
    // Stored lines are the reader's inner loop: the common case is inline.
    ListingLine* store(std::string_view text, TextSource source) {
        const bool copy = source == TextSource::Transient;
        const std::size_t size = copy ? ListingLine::storageSize(text.size()) : sizeof(ListingLine);
        if (chunks_.room(kForwardSize) < size) {
            moveToNextChunk(size);
        }
        // Every field is set below: no value-initialisation first.
        // cppcheck-suppress [legacyUninitvar, unreadVariable] ; placement new constructs it
        auto* line = new (chunks_.cursor()) ListingLine;
        line->lineNumber = 0;
        line->kind = LK_PLAIN;
        line->flags = ListingLine::kLastInList;
        line->compareEnd = 0;
        line->length = static_cast<std::uint16_t>(text.size());
        if (copy) {
            char* textCopy = chunks_.cursor() + sizeof(ListingLine);
            if (!text.empty()) {
                std::memcpy(textCopy, text.data(), text.size());
            }
            textCopy[text.size()] = '\0';
            line->textData = textCopy;
        } else {
            line->textData = text.data();
        }
        chunks_.advance(size);
        lastStored_ = line;
        return line;
    }
    // A forwarding record: a ListingLine with kForward set, whose text pointer
    // holds the address of the record that continues the lists in the next
    // chunk. Every chunk keeps room for one at its end.
    static constexpr std::size_t kForwardSize = sizeof(ListingLine);

    // Moves on to a chunk with room for `size` bytes, bridged by a forwarding record.
    void moveToNextChunk(std::size_t size);
    [[noreturn]] static void listBroken();

    ChunkList chunks_;
    ListingLine* lastStored_ = nullptr;
};

template <typename Visit>
void LineStore::forEachStored(const char* from, const char* to, Visit&& visit) {
    const char* at = from;
    while (at != to) {
        const auto* line = reinterpret_cast<const ListingLine*>(at);
        if ((line->flags & ListingLine::kForward) != 0) {
            at = line->textData;
            continue;
        }
        at += line->storedSize();
        visit(*const_cast<ListingLine*>(line));
    }
}

}  // namespace korvcmp
