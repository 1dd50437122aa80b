// Where an arena gets its chunks from. The system's source lives in the
// platform layer (platform/system_memory.h); tests put one in front of it
// that fails on demand.
#pragma once

#include <cstddef>

namespace korvcmp {

class MemorySource {
  public:
    virtual ~MemorySource() = default;
    // A new block of `bytes`, not initialised; nullptr when no memory is left.
    virtual void* allocate(std::size_t bytes) = 0;
    virtual void release(void* block, std::size_t bytes) = 0;
    // Faults in the pages of a block ahead of their use, leaving its bytes as
    // they are. Worth a second thread only where it does something.
    virtual bool populates(std::size_t /*bytes*/) const { return false; }
    virtual void populate(void* /*block*/, std::size_t /*bytes*/) {}
};

}  // namespace korvcmp
