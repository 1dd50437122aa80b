// Contiguous storage of stored lines, and the walk from one line to the next.
#include "listing/line_store.h"

#include <cstring>

#include "driver/fatal.h"

namespace korvcmp {
namespace {

// A forwarding record: a ListingLine header with kForward set, followed by the
// address of the record that continues the lists in the next chunk.
constexpr std::size_t kForwardSize = sizeof(ListingLine) + sizeof(ListingLine*);

}  // namespace

ListingLine* ListingLine::next() {
    if ((flags & kLastInList) != 0) {
        return nullptr;
    }
    auto* following =
        reinterpret_cast<ListingLine*>(reinterpret_cast<char*>(this) + storageSize(length));
    if ((following->flags & kForward) != 0) {
        ListingLine* target = nullptr;
        std::memcpy(&target, following + 1, sizeof target);
        return target;
    }
    return following;
}

ListingLine* LineStore::store(std::string_view text) {
    const std::size_t size = ListingLine::storageSize(text.size());
    if (cursor_ == nullptr || static_cast<std::size_t>(limit_ - cursor_) < size) {
        const std::size_t chunkSize = sizer_.next(size + kForwardSize);
        chunks_.reserve(chunks_.size() + 1);
        void* base = allocateChunk(chunkSize);
        chunks_.push_back({base, chunkSize});
        auto* next = static_cast<char*>(base);
        if (cursor_ != nullptr) {
            auto* forward = new (cursor_) ListingLine{};
            forward->flags = ListingLine::kForward;
            std::memcpy(forward + 1, &next, sizeof next);
        }
        cursor_ = next;
        limit_ = next + chunkSize - kForwardSize;
    }
    auto* line = new (cursor_) ListingLine{};
    line->length = static_cast<std::uint16_t>(text.size());
    line->flags = ListingLine::kLastInList;
    char* copy = line->text();
    if (!text.empty()) {
        std::memcpy(copy, text.data(), text.size());
    }
    copy[text.size()] = '\0';
    cursor_ += size;
    lastStored_ = line;
    return line;
}

ListingLine* LineStore::append(ListingLine*& head, ListingLine*& tail, std::string_view text) {
    if (tail != nullptr && tail != lastStored_) {
        // Another line was stored after this list's tail: the list could no
        // longer be walked. Only a defect in the reader can get here.
        fatal("Internal error, data structures look corrupted");
    }
    ListingLine* line = store(text);
    if (tail == nullptr) {
        head = line;
    } else {
        tail->flags &= ~ListingLine::kLastInList;
    }
    tail = line;
    return line;
}

ListingLine* LineStore::single(std::string_view text) {
    return store(text);
}

void LineStore::release() {
    for (const Chunk& chunk : chunks_) {
        releaseChunk(chunk.base, chunk.size);
    }
    chunks_.clear();
    cursor_ = nullptr;
    limit_ = nullptr;
    lastStored_ = nullptr;
    sizer_ = ChunkSizer{};
}

}  // namespace korvcmp
