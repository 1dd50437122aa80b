// Fresh memory on Windows: each block reserved and committed with
// VirtualAlloc. Committed pages are backed only when first touched, so a
// block costs memory as it fills, and nothing faults pages in ahead.
#include "platform/system_memory.h"

#include "platform/windows_api.h"

namespace korvcmp {
namespace {

class VirtualMemory final : public MemorySource {
  public:
    void* allocate(std::size_t bytes) override {
        return VirtualAlloc(nullptr, bytes == 0 ? 1 : bytes, MEM_RESERVE | MEM_COMMIT,
                            PAGE_READWRITE);
    }
    void release(void* block, std::size_t /*bytes*/) override {
        if (block != nullptr) {
            VirtualFree(block, 0, MEM_RELEASE);
        }
    }
};

}  // namespace

MemorySource& systemMemory() {
    static VirtualMemory memory;
    return memory;
}

}  // namespace korvcmp
