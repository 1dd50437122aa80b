// Contiguous storage of stored lines, and the markers kept in their records.
#include "listing/line_store.h"

#include <cstring>

#include "base/fatal.h"

namespace korvcmp {
namespace {

constexpr std::uint32_t markerBit(int column, char marker) {
    if (column == kTrueMarkerColumn) {
        return marker == kNewMarker ? ListingLine::kTrueNew : ListingLine::kTrueLost;
    }
    return marker == kNewMarker ? ListingLine::kFalseNew : ListingLine::kFalseLost;
}

}  // namespace

void ListingLine::setMarker(int column, char marker) {
    const std::uint32_t field =
        column == kTrueMarkerColumn ? kTrueNew | kTrueLost : kFalseNew | kFalseLost;
    flags = (flags & ~field) | markerBit(column, marker);
}

char ListingLine::markerAt(int column) const {
    const std::uint32_t field =
        flags & (column == kTrueMarkerColumn ? kTrueNew | kTrueLost : kFalseNew | kFalseLost);
    if (field == 0) {
        return '\0';
    }
    return (field & (kTrueNew | kFalseNew)) != 0 ? kNewMarker : kLostMarker;
}

std::string ListingLine::markedText() const {
    std::string marked(view());
    for (const int column : {kTrueMarkerColumn, kFalseMarkerColumn}) {
        if (const char marker = markerAt(column);
            marker != '\0' && static_cast<std::size_t>(column) < marked.size()) {
            marked[static_cast<std::size_t>(column)] = marker;
        }
    }
    return marked;
}

void LineStore::moveToNextChunk(std::size_t size) {
    // Lists go on in the next chunk: a forwarding record at the end of this
    // one leads there.
    char* forwardAt = chunks_.cursor();
    chunks_.nextChunk(size, kForwardSize);
    if (forwardAt != nullptr) {
        // cppcheck-suppress [legacyUninitvar, unreadVariable] ; placement new constructs
        // the record in the chunk, where the walk reads it
        auto* forward = new (forwardAt) ListingLine{};
        forward->flags = ListingLine::kForward;
        forward->textData = chunks_.cursor();
    }
}

void LineStore::listBroken() {
    // Another line was stored after a list's tail: the list could no longer
    // be walked. Only a defect in the reader can get here.
    fatal("Internal error, data structures look corrupted");
}

ListingLine* LineStore::single(std::string_view text, TextSource source) {
    return store(text, source);
}

void LineStore::reuse() {
    chunks_.reuse();
    lastStored_ = nullptr;
}

}  // namespace korvcmp
