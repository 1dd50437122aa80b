// Chunks from a memory source, the bump arena and the run's memory routines.
#include "base/arena.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "base/background_worker.h"
#include "base/fatal.h"

namespace korvcmp {
namespace {

constexpr std::size_t kMaxChunk = std::size_t{64} << 20;

std::size_t alignUp(std::size_t value, std::size_t alignment) {
    return (value + alignment - 1) & ~(alignment - 1);
}

}  // namespace

void ChunkList::enter(std::size_t index) {
    current_ = index;
    cursor_ = chunks_[index].base;
    limit_ = cursor_ + chunks_[index].size;
}

void ChunkList::nextChunk(std::size_t needed, std::size_t reserve) {
    for (std::size_t index = cursor_ == nullptr ? 0 : current_ + 1; index < chunks_.size();
         ++index) {
        if (chunks_[index].size >= needed + reserve) {
            enter(index);
            return;
        }
    }
    std::size_t size = nextSize_;
    if (nextSize_ < kMaxChunk) {
        nextSize_ *= 2;
    }
    if (size < needed + reserve) {
        size = alignUp(needed + reserve, std::size_t{1} << 16);
    }
    // Make room for the record first, so that a chunk never goes unrecorded.
    chunks_.reserve(chunks_.size() + 1);
    void* chunk = source_.allocate(size);
    if (chunk == nullptr) {
        fatal(kOutOfMemoryMessage);
    }
    chunks_.push_back({static_cast<char*>(chunk), size});
    enter(chunks_.size() - 1);
    if (prefaulter_ != nullptr && prefaulter_->isRunning() && source_.populates(size)) {
        // Faulting in fresh pages is costly on virtual machines: the worker
        // does it while this thread fills the first pages. Populating leaves
        // the bytes as they are, so it may overlap their use.
        prefaulter_->post(
            [&source = source_, base = cursor_, size] { source.populate(base, size); });
    }
}

void ChunkList::reuse() {
    if (chunks_.empty()) {
        return;
    }
    enter(0);
}

void ChunkList::release() {
    for (const Chunk& chunk : chunks_) {
        source_.release(chunk.base, chunk.size);
    }
    chunks_.clear();
    current_ = 0;
    cursor_ = nullptr;
    limit_ = nullptr;
    nextSize_ = std::size_t{1} << 18;
}

void* Arena::allocate(std::size_t size, std::size_t alignment) {
    auto address = reinterpret_cast<std::uintptr_t>(chunks_.cursor());
    std::size_t padding = alignUp(address, alignment) - address;
    if (chunks_.room(0) < padding + size) {
        chunks_.nextChunk(size + alignment, 0);
        address = reinterpret_cast<std::uintptr_t>(chunks_.cursor());
        padding = alignUp(address, alignment) - address;
    }
    char* block = chunks_.cursor() + padding;
    chunks_.advance(padding + size);
    return block;
}

char* Arena::copy(std::string_view text) {
    auto* block = static_cast<char*>(allocate(text.size() + 1, 1));
    if (!text.empty()) {
        std::memcpy(block, text.data(), text.size());
    }
    block[text.size()] = '\0';
    return block;
}

void* allocOrDie(Arena& arena, std::size_t size) {
    return arena.allocate(size, alignof(std::max_align_t));
}

char* copyText(Arena& arena, std::string_view text) {
    return arena.copy(text);
}

}  // namespace korvcmp
