// Fresh memory on POSIX systems: large blocks mapped anonymously and backed
// by huge pages on Linux, which saves most of the page faults of touching
// fresh memory; everything else from malloc.
#include <sys/mman.h>

#include <cstdlib>

#include "platform/system_memory.h"

#if defined(__linux__) && !defined(KORVCMP_PORTABLE)
#define KORVCMP_LINUX_MEMORY 1
#endif

namespace korvcmp {
namespace {

#if defined(KORVCMP_LINUX_MEMORY)
constexpr std::size_t kHugePage = std::size_t{2} << 20;

bool isLarge(std::size_t bytes) {
    return bytes >= kHugePage;
}
#endif

class PosixMemory final : public MemorySource {
  public:
    void* allocate(std::size_t bytes) override {
#if defined(KORVCMP_LINUX_MEMORY)
        if (isLarge(bytes)) {
            void* block =
                mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (block == MAP_FAILED) {
                return nullptr;
            }
            madvise(block, bytes, MADV_HUGEPAGE);
            return block;
        }
#endif
        return std::malloc(bytes);
    }

    void release(void* block, std::size_t bytes) override {
#if defined(KORVCMP_LINUX_MEMORY)
        if (isLarge(bytes)) {
            munmap(block, bytes);
            return;
        }
#endif
        (void)bytes;
        std::free(block);
    }

#if defined(KORVCMP_LINUX_MEMORY) && defined(MADV_POPULATE_WRITE)
    bool populates(std::size_t bytes) const override {
        return isLarge(bytes);
    }
    void populate(void* block, std::size_t bytes) override {
        madvise(block, bytes, MADV_POPULATE_WRITE);
    }
#endif
};

}  // namespace

MemorySource& systemMemory() {
    // Constant-initialised: no state, nothing to construct before first use.
    static constinit PosixMemory memory;
    return memory;
}

}  // namespace korvcmp
