// Storage for ListingLine records. A record refers to text that stays valid
// for the run (a mapped listing), or is followed by a copy of a text that
// does not. The elements of a list are stored one after another, so a list
// needs no next pointers. When a chunk is full, a forwarding record at its
// end leads to the first record of the next chunk.
#pragma once

#include <string_view>

#include "driver/memory.h"
#include "listing/listing_model.h"

namespace korvcmp {

// Whether a text outlives the read that produced it.
enum class TextSource {
    Stable,     // stays where it is while the run lasts: the record refers to it
    Transient,  // overwritten by the next read: the record keeps a copy
};

class LineStore {
  public:
    // Stores `text` as the new tail of the list [head, tail]. The list being
    // built must be the one whose tail was stored last.
    ListingLine* append(ListingLine*& head, ListingLine*& tail, std::string_view text,
                        TextSource source = TextSource::Transient);

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
    // Gives all memory back.
    void release();

  private:
    ListingLine* store(std::string_view text, TextSource source);

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
        at += line->hasInlineText() ? ListingLine::storageSize(line->length) : sizeof(ListingLine);
        visit(*const_cast<ListingLine*>(line));
    }
}

}  // namespace korvcmp
