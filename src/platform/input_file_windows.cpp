// A listing file on Windows: opened with its bytes as they are (no CR LF or
// Ctrl-Z translation), read in blocks and never mapped, since a mapped file
// cut short by another program has no fault the program could turn into a
// read error there. The file's identity is its volume serial number and file
// id from the system: the C library's stat reports inode 0 for every file.
#include "platform/input_file.h"

#include "platform/windows_api.h"

#include <algorithm>
#include <cstring>

namespace korvcmp {
namespace {

// One ReadFile call takes at most this much (its size is a DWORD).
constexpr std::size_t kLargestRead = std::size_t{1} << 30;

// The class keeps the HANDLE as an integer, so that its header needs no
// <windows.h>.
HANDLE asHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);  // NOLINT(performance-no-int-to-ptr)
}

// Which file a handle is open on: its volume and its file id there.
struct FileIdentity {
    std::uint32_t volume = 0;  // 0: the system could not say
    FILE_ID_128 id{};
};

// The identity of the file behind `handle`; false for what is no file on a
// volume (a console, a pipe). FileIdInfo needs no access right on the
// handle, so it also answers for a standard output opened for writing only;
// GetFileInformationByHandle answers where FileIdInfo is missing.
bool identityOf(HANDLE handle, FileIdentity& identity) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    FILE_ID_INFO idInformation;
    if (GetFileInformationByHandleEx(handle, FileIdInfo, &idInformation, sizeof idInformation) !=
        0) {
        // The 32-bit serial number is the low half of the 64-bit one.
        identity.volume = static_cast<std::uint32_t>(idInformation.VolumeSerialNumber);
        identity.id = idInformation.FileId;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(handle, &information) == 0) {
        return false;
    }
    identity.volume = information.dwVolumeSerialNumber;
    // A 64-bit file index is the low half of the 128-bit file id.
    const std::uint64_t index =
        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    for (std::size_t at = 0; at < sizeof index; ++at) {
        identity.id.Identifier[at] = static_cast<BYTE>(index >> (8 * at));
    }
    return true;
}

// Two handles on the same file. A volume the system could not name (Wine
// does not for the standard handles it inherits) is taken to be the same:
// wrongly taking two files for one costs a copy, the other way round
// could cost the input its bytes.
bool sameIdentity(const FileIdentity& a, const FileIdentity& b) {
    return std::memcmp(a.id.Identifier, b.id.Identifier, sizeof a.id.Identifier) == 0 &&
           (a.volume == b.volume || a.volume == 0 || b.volume == 0);
}

// Opens `path` for `access`. Other programs may read, write, rename and
// delete the file meanwhile, so that the output can replace it. A directory
// opens too (backup semantics), and then fails to read, as on POSIX systems.
HANDLE openExisting(const char* path, DWORD access) {
    return CreateFileA(
        path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

InputFile::~InputFile() {
    close();
}

bool InputFile::open(const char* path) {
    close();
    const HANDLE handle = openExisting(path, GENERIC_READ);
    if (handle == INVALID_HANDLE_VALUE) {
        openFailure_ = SystemFailure::ofLastCall();
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    ownsHandle_ = true;
    return true;
}

bool InputFile::openStandardInput() {
    close();
    const HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        openFailure_ = SystemFailure::ofLastCall();
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    ownsHandle_ = false;
    return true;
}

bool InputFile::isOpen() const {
    return handle_ != -1;
}

std::int64_t InputFile::regularFileSize() const {
    if (!isOpen() || GetFileType(asHandle(handle_)) != FILE_TYPE_DISK) {
        return -1;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(asHandle(handle_), &information) == 0 ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>((std::uint64_t{information.nFileSizeHigh} << 32) |
                                     information.nFileSizeLow);
}

std::span<const char> InputFile::map() {
    return {mapping_, mappedSize_};  // empty: nothing is mapped here
}

bool InputFile::detachMapping() {
    return mapping_ == nullptr;  // nothing to detach
}

// Not const: a read moves the file's position.
// NOLINTNEXTLINE(readability-make-member-function-const)
std::int64_t InputFile::read(char* into, std::size_t size) {
    if (!isOpen()) {
        return -1;
    }
    DWORD got = 0;
    const auto wanted = static_cast<DWORD>(std::min(size, kLargestRead));
    if (ReadFile(asHandle(handle_), into, wanted, &got, nullptr) == 0) {
        // A pipe whose writer has closed its end reports that as an error.
        const DWORD error = GetLastError();
        return error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF ? 0 : -1;
    }
    return static_cast<std::int64_t>(got);
}

bool InputFile::isSameFileAs(const char* path) const {
    FileIdentity thisFile;
    if (!identityOf(asHandle(handle_), thisFile)) {
        return false;
    }
    const HANDLE other = openExisting(path, 0);  // no access needed to ask who it is
    if (other == INVALID_HANDLE_VALUE) {
        return false;
    }
    FileIdentity named;
    const bool known = identityOf(other, named);
    CloseHandle(other);
    return known && sameIdentity(thisFile, named);
}

bool InputFile::isSameFileAsStandardOutput() const {
    FileIdentity thisFile;
    FileIdentity output;
    return identityOf(asHandle(handle_), thisFile) &&
           identityOf(GetStdHandle(STD_OUTPUT_HANDLE), output) && sameIdentity(thisFile, output);
}

bool namesSameFile(const char* a, const char* b) {
    FileIdentity identities[2];
    const char* paths[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        const HANDLE handle = openExisting(paths[i], 0);  // no access needed to ask who it is
        if (handle == INVALID_HANDLE_VALUE) {
            return false;
        }
        const bool known = identityOf(handle, identities[i]);
        CloseHandle(handle);
        if (!known) {
            return false;
        }
    }
    return sameIdentity(identities[0], identities[1]);
}

bool InputFile::close() {
    stopTouchingPages();
    if (!isOpen()) {
        return true;
    }
    const bool closed = !ownsHandle_ || CloseHandle(asHandle(handle_)) != 0;
    handle_ = -1;
    ownsHandle_ = false;
    return closed;
}

void InputFile::stopTouchingPages() {
    // No mapping, so no thread touches pages; kept for the shared interface.
    if (pageToucher_.joinable()) {
        stopTouching_ = true;
        pageToucher_.join();
    }
}

}  // namespace korvcmp
