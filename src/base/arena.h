// Memory for what a run stores. Records and line texts come from large chunks
// handed out by bump allocation and are never given back one by one; the
// chunks go back to their MemorySource when their owner goes. Running out of
// memory is a fatal error.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "base/memory_source.h"

namespace korvcmp {

class BackgroundWorker;

inline constexpr std::string_view kOutOfMemoryMessage = "Out of memory, malloc() failed";

// The chunks behind a bump allocator: a current chunk with its free room,
// and the chunks after it. Reusing the chunks starts again at the first one
// and keeps them all, so memory that was touched once serves again without
// new page faults.
class ChunkList {
  public:
    explicit ChunkList(MemorySource& source) : source_(source) {}
    ChunkList(const ChunkList&) = delete;
    ChunkList& operator=(const ChunkList&) = delete;
    ~ChunkList() { release(); }

    char* cursor() const { return cursor_; }
    // The start of the first chunk; none before the first chunk is taken.
    char* firstChunk() const { return chunks_.empty() ? nullptr : chunks_.front().base; }
    // Free room in the current chunk, less the `reserve` kept at every chunk's end.
    std::size_t room(std::size_t reserve) const {
        const auto free = static_cast<std::size_t>(limit_ - cursor_);
        return free > reserve ? free - reserve : 0;
    }
    void advance(std::size_t bytes) { cursor_ += bytes; }

    // Moves to a chunk with at least `needed` bytes of room after `reserve`:
    // the next kept chunk that is large enough, or a new one. Ends the run
    // with the out-of-memory message when the source has none.
    void nextChunk(std::size_t needed, std::size_t reserve);

    // Has `worker` fault in the pages of each new large chunk ahead of their
    // use, where the source can (none: the pages are faulted in as they are
    // used).
    void prefaultWith(BackgroundWorker* worker) { prefaulter_ = worker; }

    // Starts again at the first chunk; everything handed out becomes invalid.
    void reuse();
    // Gives every chunk back to the source.
    void release();

  private:
    struct Chunk {
        char* base;
        std::size_t size;
    };
    void enter(std::size_t index);

    MemorySource& source_;
    std::vector<Chunk> chunks_;
    std::size_t current_ = 0;
    char* cursor_ = nullptr;
    char* limit_ = nullptr;
    std::size_t nextSize_ = std::size_t{1} << 18;
    BackgroundWorker* prefaulter_ = nullptr;
};

// Bump allocator over chunks. Blocks are never freed one by one.
class Arena {
  public:
    explicit Arena(MemorySource& source) : chunks_(source) {}

    void* allocate(std::size_t size, std::size_t alignment);
    // A NUL-terminated copy of `text`.
    char* copy(std::string_view text);
    // Starts again at the first chunk, keeping the memory.
    void reuse() { chunks_.reuse(); }
    void prefaultWith(BackgroundWorker* worker) { chunks_.prefaultWith(worker); }

  private:
    ChunkList chunks_;
};

// A new, uninitialised block of `size` bytes from `arena`.
void* allocOrDie(Arena& arena, std::size_t size);
// A NUL-terminated copy of `text` in `arena`.
char* copyText(Arena& arena, std::string_view text);

// A new value-initialised record of type T in `arena`.
template <typename T>
T* newRecord(Arena& arena) {
    return new (allocOrDie(arena, sizeof(T))) T{};
}

}  // namespace korvcmp
