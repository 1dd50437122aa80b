// Storage for ListingLine records and their texts. Each record is followed by
// its text, and the elements of a list are stored one after another, so a
// list needs no next pointers. When a chunk is full, a forwarding record at
// its end leads to the first record of the next chunk.
#pragma once

#include <string_view>

#include "driver/memory.h"
#include "listing/listing_model.h"

namespace korvcmp {

class LineStore {
  public:
    // Stores `text` as the new tail of the list [head, tail]. The list being
    // built must be the one whose tail was stored last.
    ListingLine* append(ListingLine*& head, ListingLine*& tail, std::string_view text);

    // Stores `text` as a line that belongs to no list.
    ListingLine* single(std::string_view text);

    // Starts again at the first chunk, keeping the memory; every line stored
    // so far becomes invalid.
    void reuse();
    // Gives all memory back.
    void release();

  private:
    ListingLine* store(std::string_view text);

    ChunkList chunks_;
    ListingLine* lastStored_ = nullptr;
};

}  // namespace korvcmp
