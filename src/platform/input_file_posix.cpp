// A listing file on POSIX systems: opened with open(2), mapped with mmap(2)
// when it is a regular file, else read with read(2); files compared by device
// and inode.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>

#include "platform/input_file.h"

namespace korvcmp {
namespace {

// Mappings from this size on have their pages touched ahead by a second thread.
constexpr std::size_t kTouchedMappingSize = std::size_t{16} << 20;

int descriptorOf(std::intptr_t handle) {
    return static_cast<int>(handle);
}

bool sameFile(int descriptor, const struct stat& other) {
    struct stat mine {};
    return descriptor >= 0 && fstat(descriptor, &mine) == 0 && mine.st_dev == other.st_dev &&
           mine.st_ino == other.st_ino;
}

}  // namespace

InputFile::~InputFile() {
    close();
}

bool InputFile::open(const char* path) {
    close();
    int descriptor = -1;
    do {
        descriptor = ::open(path, O_RDONLY | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        openFailure_ = SystemFailure::ofLastCall();
        return false;
    }
    handle_ = descriptor;
    ownsHandle_ = true;
    return true;
}

bool InputFile::openStandardInput() {
    close();
    handle_ = STDIN_FILENO;
    ownsHandle_ = false;
    return true;
}

bool InputFile::isOpen() const {
    return handle_ != -1;
}

std::int64_t InputFile::regularFileSize() const {
    struct stat status {};
    if (!isOpen() || fstat(descriptorOf(handle_), &status) != 0 || !S_ISREG(status.st_mode)) {
        return -1;
    }
    return static_cast<std::int64_t>(status.st_size);
}

std::span<const char> InputFile::map() {
    const std::int64_t size = regularFileSize();
    if (size <= 0 || mapping_ != nullptr) {
        return {};
    }
    mappedSize_ = static_cast<std::size_t>(size);
    void* mapping = mmap(nullptr, mappedSize_, PROT_READ, MAP_PRIVATE, descriptorOf(handle_), 0);
    if (mapping == MAP_FAILED) {
        mappedSize_ = 0;
        return {};  // the caller reads the file instead
    }
    mapping_ = static_cast<char*>(mapping);
    if (mappedSize_ >= kTouchedMappingSize) {
        // The first touch of a mapped page is costly on virtual machines: a
        // second thread touches every page ahead of the reader.
        stopTouching_ = false;
        try {
            pageToucher_ = std::thread([this] {
                constexpr std::size_t kPage = 4096;
                constexpr std::size_t kPagesBetweenChecks = 256;
                // One read per page is enough; the sum only keeps the reads.
                unsigned sum = 0;
                for (std::size_t offset = 0; offset < mappedSize_ && !stopTouching_;
                     offset += kPage * kPagesBetweenChecks) {
                    const std::size_t end =
                        std::min(mappedSize_, offset + kPage * kPagesBetweenChecks);
                    for (std::size_t at = offset; at < end; at += kPage) {
                        sum += static_cast<unsigned char>(
                            static_cast<const volatile char*>(mapping_)[at]);
                    }
                }
                (void)sum;
            });
        } catch (const std::system_error&) {
            // No thread to spare: the reader touches the pages itself.
        }
    }
    return {mapping_, mappedSize_};
}

void InputFile::stopTouchingPages() {
    if (pageToucher_.joinable()) {
        stopTouching_ = true;
        pageToucher_.join();
    }
}

bool InputFile::detachMapping() {
    if (mapping_ == nullptr) {
        return true;
    }
    stopTouchingPages();
#if defined(__linux__) && !defined(KORVCMP_PORTABLE)
    void* copy =
        mmap(nullptr, mappedSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (copy == MAP_FAILED) {
        return false;
    }
    std::memcpy(copy, mapping_, mappedSize_);
    // Moving the copy onto the mapping's addresses replaces the mapping in
    // one step, and every byte handed out stays valid.
    if (mremap(copy, mappedSize_, mappedSize_, MREMAP_MAYMOVE | MREMAP_FIXED, mapping_) ==
        MAP_FAILED) {
        munmap(copy, mappedSize_);
        return false;
    }
    return true;
#else
    // Without mremap: the bytes go aside, anonymous memory replaces the
    // mapping at the same addresses, and the bytes come back.
    char* aside = new (std::nothrow) char[mappedSize_];
    if (aside == nullptr) {
        return false;
    }
    std::memcpy(aside, mapping_, mappedSize_);
    void* fresh = mmap(mapping_, mappedSize_, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (fresh == MAP_FAILED) {
        delete[] aside;
        return false;
    }
    std::memcpy(mapping_, aside, mappedSize_);
    delete[] aside;
    return true;
#endif
}

// Not const: reading moves the file position.
// NOLINTNEXTLINE(readability-make-member-function-const)
std::int64_t InputFile::read(char* into, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(descriptorOf(handle_), into, size);
        if (got >= 0) {
            return static_cast<std::int64_t>(got);
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

bool InputFile::isSameFileAs(const char* path) const {
    struct stat other {};
    return isOpen() && stat(path, &other) == 0 && sameFile(descriptorOf(handle_), other);
}

bool InputFile::isSameFileAsStandardOutput() const {
    struct stat other {};
    return isOpen() && fstat(STDOUT_FILENO, &other) == 0 && sameFile(descriptorOf(handle_), other);
}

bool namesSameFile(const char* a, const char* b) {
    struct stat first {};
    struct stat second {};
    return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool InputFile::close() {
    stopTouchingPages();
    if (mapping_ != nullptr) {
        munmap(mapping_, mappedSize_);
        mapping_ = nullptr;
        mappedSize_ = 0;
    }
    if (!isOpen()) {
        return true;
    }
    const int descriptor = descriptorOf(handle_);
    const bool owned = ownsHandle_;
    handle_ = -1;
    ownsHandle_ = false;
    return !owned || ::close(descriptor) == 0;
}

}  // namespace korvcmp
