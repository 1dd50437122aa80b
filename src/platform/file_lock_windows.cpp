// The run lock on Windows: LockFileEx on the whole file. The file is opened
// without FILE_SHARE_DELETE, so it can be deleted only when no other run has
// it open: the run that releases it last removes it.
#include "platform/file_lock.h"

#include "platform/windows_api.h"

namespace korvcmp {
namespace {

HANDLE asHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);  // NOLINT(performance-no-int-to-ptr)
}

}  // namespace

FileLock::~FileLock() {
    release();
}

bool FileLock::acquire(const std::string& path) {
    release();
    path_ = path;  // before the file is made: nothing below allocates
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        failure_ = SystemFailure::ofLastCall();
        return false;
    }
    OVERLAPPED whole{};
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) == 0) {
        failure_ = SystemFailure::ofLastCall();
        CloseHandle(file);
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return true;
}

void FileLock::release() {
    if (handle_ == -1) {
        return;
    }
    OVERLAPPED whole{};
    UnlockFileEx(asHandle(handle_), 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(asHandle(handle_));
    handle_ = -1;
    // Fails, and leaves the file, while another run has it open.
    DeleteFileA(path_.c_str());
    path_.clear();
}

}  // namespace korvcmp
