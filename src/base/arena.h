// Memory for a run. Everything a run stores (records and line texts) comes
// from large chunks handed out by bump allocation and is never given back
// while the run lasts; the chunks go back to the system when the run's state
// is reset or the process ends. Running out of memory is a fatal error.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace korvcmp {

class BackgroundWorker;

inline constexpr std::string_view kOutOfMemoryMessage = "Out of memory, malloc() failed";

// A large block for bump allocation. Large blocks are asked for as huge pages
// where the system offers them, which saves most of the page faults of
// touching fresh memory. Ends the run with the out-of-memory message when the
// system refuses.
void* allocateChunk(std::size_t bytes);
void releaseChunk(void* chunk, std::size_t bytes);

// The chunks behind a bump allocator: a current chunk with its free room,
// and the chunks after it. Reusing the chunks starts again at the first one
// and keeps them all, so memory that was touched once serves again without
// new page faults.
class ChunkList {
  public:
    ChunkList() = default;
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
    // the next kept chunk that is large enough, or a new one.
    void nextChunk(std::size_t needed, std::size_t reserve);

    // Has `worker` fault in the pages of each new large chunk ahead of their
    // use (none: the pages are faulted in as they are used).
    void prefaultWith(BackgroundWorker* worker) { prefaulter_ = worker; }

    // Starts again at the first chunk; everything handed out becomes invalid.
    void reuse();
    // Gives every chunk back to the system.
    void release();

  private:
    struct Chunk {
        char* base;
        std::size_t size;
    };
    void enter(std::size_t index);

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
    void* allocate(std::size_t size, std::size_t alignment);
    // A NUL-terminated copy of `text`.
    char* copy(std::string_view text);
    // Starts again at the first chunk, keeping the memory.
    void reuse() { chunks_.reuse(); }
    // Gives every chunk back; all blocks handed out become invalid.
    void release() { chunks_.release(); }
    void prefaultWith(BackgroundWorker* worker) { chunks_.prefaultWith(worker); }

  private:
    ChunkList chunks_;
};

// A new, uninitialised block of `size` bytes from the arena the run stores
// into at the moment.
void* allocOrDie(std::size_t size);
// A NUL-terminated copy of `text` in the run's arena.
char* copyText(std::string_view text);

// A new value-initialised record of type T in the run's arena.
template <typename T>
T* newRecord() {
    return new (allocOrDie(sizeof(T))) T{};
}

}  // namespace korvcmp
