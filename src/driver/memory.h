// Memory for a run. Everything a run stores (records and line texts) comes
// from large chunks handed out by bump allocation and is never given back
// while the run lasts; the chunks go back to the system when the run's state
// is reset or the process ends. Running out of memory is a fatal error.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace korvcmp {

inline constexpr std::string_view kOutOfMemoryMessage = "Out of memory, malloc() failed";

// A large block for bump allocation. Large blocks are asked for as huge pages
// where the system offers them, which saves most of the page faults of
// touching fresh memory. Ends the run with the out-of-memory message when the
// system refuses.
void* allocateChunk(std::size_t bytes);
void releaseChunk(void* chunk, std::size_t bytes);

// A chunk size that grows with use: small runs stay small, big runs get
// few, large chunks.
class ChunkSizer {
  public:
    std::size_t next(std::size_t atLeast);

  private:
    std::size_t size_ = std::size_t{1} << 18;
};

// Bump allocator over chunks. Blocks are never freed one by one.
class Arena {
  public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() { release(); }

    void* allocate(std::size_t size, std::size_t alignment);
    // A NUL-terminated copy of `text`.
    char* copy(std::string_view text);
    // Gives every chunk back; all blocks handed out become invalid.
    void release();

  private:
    struct Chunk {
        void* base;
        std::size_t size;
    };
    std::vector<Chunk> chunks_;
    char* cursor_ = nullptr;
    char* limit_ = nullptr;
    ChunkSizer sizer_;
};

// A new, uninitialised block of `size` bytes from the run's arena.
void* allocOrDie(std::size_t size);
// A NUL-terminated copy of `text` in the run's arena.
char* copyText(std::string_view text);

// A new value-initialised record of type T in the run's arena.
template <typename T>
T* newRecord() {
    return new (allocOrDie(sizeof(T))) T{};
}

}  // namespace korvcmp
