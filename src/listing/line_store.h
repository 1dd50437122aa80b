// Storage for ListingLine records and their texts. Each record is followed by
// its text, and the elements of a list are stored one after another, so a
// list needs no next pointers. When a chunk is full, a forwarding record at
// its end leads to the first record of the next chunk.
#pragma once

#include <string_view>
#include <vector>

#include "driver/memory.h"
#include "listing/listing_model.h"

namespace korvcmp {

class LineStore {
  public:
    LineStore() = default;
    LineStore(const LineStore&) = delete;
    LineStore& operator=(const LineStore&) = delete;
    ~LineStore() { release(); }

    // Stores `text` as the new tail of the list [head, tail]. The list being
    // built must be the one whose tail was stored last.
    ListingLine* append(ListingLine*& head, ListingLine*& tail, std::string_view text);

    // Stores `text` as a line that belongs to no list.
    ListingLine* single(std::string_view text);

    void release();

  private:
    ListingLine* store(std::string_view text);

    struct Chunk {
        void* base;
        std::size_t size;
    };
    std::vector<Chunk> chunks_;
    char* cursor_ = nullptr;
    char* limit_ = nullptr;  // room for a forwarding record stays behind it
    ListingLine* lastStored_ = nullptr;
    ChunkSizer sizer_;
};

}  // namespace korvcmp
