// A library preloaded into korvcmp by the out-of-memory tests. It counts the
// process's allocations (malloc, calloc, realloc, the aligned forms and
// anonymous mmap) from the first one on, and makes the one numbered
// KORVCMP_FAIL_ALLOCATION (1-based) fail as a system without memory would.
// With KORVCMP_ALLOCATION_COUNT set to a path, the number of allocations is
// written there when the process exits normally.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

std::atomic<long> allocations{0};
std::atomic<long> failAt{-1};  // -1: not read yet; 0: never fail

long failingAllocation() {
    long value = failAt.load(std::memory_order_relaxed);
    if (value < 0) {
        // getenv neither allocates nor needs anything set up first.
        const char* text = std::getenv("KORVCMP_FAIL_ALLOCATION");
        value = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
        failAt.store(value, std::memory_order_relaxed);
    }
    return value;
}

// Counts one allocation; true when it is the one to fail.
bool failsNow() {
    const long number = allocations.fetch_add(1, std::memory_order_relaxed) + 1;
    return number == failingAllocation();
}

__attribute__((destructor)) void reportCount() {
    const char* path = std::getenv("KORVCMP_ALLOCATION_COUNT");
    if (path == nullptr) {
        return;
    }
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%ld\n", allocations.load());
    const int file = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file >= 0) {
        (void)!write(file, text, static_cast<std::size_t>(length));
        close(file);
    }
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
    if (failsNow()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
    if (failsNow()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
    if (failsNow()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_realloc(block, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    if (failsNow()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** block, std::size_t alignment, std::size_t size) {
    if (failsNow()) {
        return ENOMEM;
    }
    *block = __libc_memalign(alignment, size);
    return *block != nullptr ? 0 : ENOMEM;
}

void* memalign(std::size_t alignment, std::size_t size) {
    if (failsNow()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_memalign(alignment, size);
}

void* mmap(void* address, std::size_t length, int protection, int flags, int file, off_t offset) {
    if ((flags & MAP_ANONYMOUS) != 0 && failsNow()) {
        errno = ENOMEM;
        return MAP_FAILED;
    }
    return reinterpret_cast<void*>(
        syscall(SYS_mmap, address, length, protection, flags, file, offset));
}

void* mmap64(void* address, std::size_t length, int protection, int flags, int file, off_t offset) {
    return mmap(address, length, protection, flags, file, offset);
}

}  // extern "C"
