// Contiguous storage of stored lines, and the walk from one line to the next.
#include "listing/line_store.h"

#include <cstring>

#include "driver/fatal.h"

namespace korvcmp {
namespace {

// A forwarding record: a ListingLine header with kForward set, followed by the
// address of the record that continues the lists in the next chunk.
constexpr std::size_t kForwardSize = sizeof(ListingLine) + sizeof(std::uintptr_t);

}  // namespace

ListingLine* ListingLine::next() {
    if ((flags & kLastInList) != 0) {
        return nullptr;
    }
    auto* following =
        reinterpret_cast<ListingLine*>(reinterpret_cast<char*>(this) + storageSize(length));
    if ((following->flags & kForward) != 0) {
        std::uintptr_t target = 0;
        std::memcpy(&target, following + 1, sizeof target);
        return reinterpret_cast<ListingLine*>(target);  // NOLINT(performance-no-int-to-ptr)
    }
    return following;
}

ListingLine* LineStore::store(std::string_view text) {
    const std::size_t size = ListingLine::storageSize(text.size());
    if (chunks_.room(kForwardSize) < size) {
        // Lists go on in the next chunk: a forwarding record at the end of
        // this one leads there.
        char* forwardAt = chunks_.cursor();
        chunks_.nextChunk(size, kForwardSize);
        if (forwardAt != nullptr) {
            // cppcheck-suppress legacyUninitvar ; placement new constructs it
            auto* forward = new (forwardAt) ListingLine{};
            forward->flags = ListingLine::kForward;
            const auto target = reinterpret_cast<std::uintptr_t>(chunks_.cursor());
            std::memcpy(forward + 1, &target, sizeof target);
        }
    }
    // cppcheck-suppress legacyUninitvar ; placement new constructs it
    auto* line = new (chunks_.cursor()) ListingLine{};
    line->length = static_cast<std::uint16_t>(text.size());
    line->flags = ListingLine::kLastInList;
    char* copy = line->text();
    if (!text.empty()) {
        std::memcpy(copy, text.data(), text.size());
    }
    copy[text.size()] = '\0';
    chunks_.advance(size);
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

void LineStore::reuse() {
    chunks_.reuse();
    lastStored_ = nullptr;
}

void LineStore::release() {
    chunks_.release();
    lastStored_ = nullptr;
}

}  // namespace korvcmp
