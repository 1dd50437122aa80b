// Chunk allocation, the bump arena and the run's memory routines.
#include "driver/memory.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "driver/fatal.h"
#include "driver/process_state.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace korvcmp {
namespace {

constexpr std::size_t kMaxChunk = std::size_t{64} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t alignUp(std::size_t value, std::size_t alignment) {
    return (value + alignment - 1) & ~(alignment - 1);
}

}  // namespace

void* allocateChunk(std::size_t bytes) {
#if defined(__linux__)
    if (bytes >= kHugePage) {
        void* chunk =
            mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (chunk == MAP_FAILED) {
            fatal(kOutOfMemoryMessage);
        }
        madvise(chunk, bytes, MADV_HUGEPAGE);
        return chunk;
    }
#endif
    void* chunk = std::malloc(bytes);
    if (chunk == nullptr) {
        fatal(kOutOfMemoryMessage);
    }
    return chunk;
}

void releaseChunk(void* chunk, std::size_t bytes) {
#if defined(__linux__)
    if (bytes >= kHugePage) {
        munmap(chunk, bytes);
        return;
    }
#endif
    (void)bytes;
    std::free(chunk);
}

std::size_t ChunkSizer::next(std::size_t atLeast) {
    std::size_t size = size_;
    if (size_ < kMaxChunk) {
        size_ *= 2;
    }
    return size >= atLeast ? size : alignUp(atLeast, std::size_t{1} << 16);
}

void* Arena::allocate(std::size_t size, std::size_t alignment) {
    auto address = reinterpret_cast<std::uintptr_t>(cursor_);
    std::size_t padding = alignUp(address, alignment) - address;
    if (cursor_ == nullptr || static_cast<std::size_t>(limit_ - cursor_) < padding + size) {
        std::size_t chunkSize = sizer_.next(size + alignment);
        // Record the chunk before anything can fail, so that release() always
        // sees every chunk.
        chunks_.reserve(chunks_.size() + 1);
        void* base = allocateChunk(chunkSize);
        chunks_.push_back({base, chunkSize});
        cursor_ = static_cast<char*>(base);
        limit_ = cursor_ + chunkSize;
        address = reinterpret_cast<std::uintptr_t>(cursor_);
        padding = alignUp(address, alignment) - address;
    }
    char* block = cursor_ + padding;
    cursor_ = block + size;
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

void Arena::release() {
    for (const Chunk& chunk : chunks_) {
        releaseChunk(chunk.base, chunk.size);
    }
    chunks_.clear();
    cursor_ = nullptr;
    limit_ = nullptr;
    sizer_ = ChunkSizer{};
}

void* allocOrDie(std::size_t size) {
    return process.arena.allocate(size, alignof(std::max_align_t));
}

char* copyText(std::string_view text) {
    return process.arena.copy(text);
}

}  // namespace korvcmp
