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

}  // namespace korvcmp
