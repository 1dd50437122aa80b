// Directories on Windows, through the wide-character calls. A path is turned
// into UTF-16 from the code page the system's ANSI file functions use (as
// CreateFileA, with which the other platform files open theirs, turns it), so
// that a directory made here is the one the files written into it name. A
// tree is removed with FindFirstFileW: a symbolic link or a junction inside
// (a reparse point) is removed as the link it is, never entered, and a
// read-only attribute is cleared before a file or directory is deleted.
#include "platform/directories.h"

#include "platform/windows_api.h"

#include <string>
#include <string_view>

namespace korvcmp {
namespace {

// The error of the last failed call, kept here because the calls made while
// cleaning up after it would overwrite GetLastError().
thread_local DWORD lastError = ERROR_SUCCESS;

bool failed() {
    lastError = GetLastError();
    return false;
}

bool failedWith(DWORD error) {
    lastError = error;
    return false;
}

std::wstring widePath(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int size =
        MultiByteToWideChar(codePage, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, path.data(), static_cast<int>(path.size()), wide.data(), size);
    return wide;
}

bool isNotFound(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH;
}

// Clears a read-only attribute, which DeleteFileW and RemoveDirectoryW refuse.
void makeWritable(const std::wstring& path, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(path.c_str(), (attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) == 0
                                             ? DWORD{FILE_ATTRIBUTE_NORMAL}
                                             : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
}

bool removeTree(const std::wstring& path, const std::wstring& last = {});

// Removes one entry of a directory being removed, with `attributes` as the
// directory listing gave them.
bool removeEntry(const std::wstring& path, DWORD attributes) {
    makeWritable(path, attributes);
    const bool isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (isDirectory && !isLink) {
        return removeTree(path);
    }
    // A link to a directory (or a junction) is a directory entry of its own:
    // RemoveDirectoryW removes the link and leaves what it points to.
    const BOOL removed = isDirectory ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
    return removed != 0 || isNotFound(GetLastError()) || failed();
}

// Removes the directory `path`, a real one, with its contents, its entry
// `last` after the others. The first failure is kept in lastError; the rest
// is still removed.
bool removeTree(const std::wstring& path, const std::wstring& last) {
    DWORD lastAttributes = INVALID_FILE_ATTRIBUTES;
    bool removed = true;
    DWORD firstError = ERROR_SUCCESS;
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) {
            return failedWith(error);
        }
    } else {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            if (!last.empty() && name == last) {
                lastAttributes = entry.dwFileAttributes;
                continue;
            }
            if (!removeEntry(path + L"\\" + name, entry.dwFileAttributes) && removed) {
                removed = false;
                firstError = lastError;
            }
        } while (FindNextFileW(search, &entry) != 0);
        const DWORD error = GetLastError();
        FindClose(search);
        if (error != ERROR_NO_MORE_FILES && removed) {
            removed = false;
            firstError = error;
        }
    }
    if (removed && lastAttributes != INVALID_FILE_ATTRIBUTES &&
        !removeEntry(path + L"\\" + last, lastAttributes)) {
        removed = false;
        firstError = lastError;
    }
    if (!removed) {
        return failedWith(firstError);
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        makeWritable(path, attributes);
    }
    return RemoveDirectoryW(path.c_str()) != 0 || isNotFound(GetLastError()) || failed();
}

}  // namespace

PathKind pathKind(const std::string& path) {
    const std::wstring wide = widePath(path);
    if (wide.empty()) {
        return PathKind::nothing;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        lastError = error;
        return isNotFound(error) ? PathKind::nothing : PathKind::unknown;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return PathKind::other;  // a symbolic link or a junction, not followed
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return PathKind::directory;
    }
    return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? PathKind::other : PathKind::file;
}

bool isEmptyDirectory(const std::string& path) {
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((widePath(path) + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND || failed();  // not even "." and ".."
    }
    bool empty = true;
    do {
        const std::wstring_view name = entry.cFileName;
        empty = name == L"." || name == L"..";
    } while (empty && FindNextFileW(search, &entry) != 0);
    FindClose(search);
    return empty;
}

bool makeDirectory(const std::string& path) {
    const std::wstring wide = widePath(path);
    if (wide.empty()) {
        return failedWith(ERROR_INVALID_NAME);
    }
    return CreateDirectoryW(wide.c_str(), nullptr) != 0 || failed();
}

bool renameDirectory(const std::string& from, const std::string& to) {
    const std::wstring wideFrom = widePath(from);
    const std::wstring wideTo = widePath(to);
    if (wideFrom.empty() || wideTo.empty()) {
        return failedWith(ERROR_INVALID_NAME);
    }
    // Without MOVEFILE_REPLACE_EXISTING and MOVEFILE_COPY_ALLOWED: an existing
    // `to` is never replaced, and the directory is renamed, never copied.
    return MoveFileExW(wideFrom.c_str(), wideTo.c_str(), 0) != 0 || failed();
}

Exchange exchangeDirectories(const std::string& first, const std::string& second) {
    // Windows has no call that swaps two directories in one step.
    static_cast<void>(first);
    static_cast<void>(second);
    return Exchange::unsupported;
}

std::vector<std::string> namesStartingWith(const std::string& folder, std::string_view prefix) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((widePath(folder) + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    do {
        const int size =
            WideCharToMultiByte(codePage, 0, entry.cFileName, -1, nullptr, 0, nullptr, nullptr);
        if (size <= 1) {
            continue;
        }
        std::string name(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(codePage, 0, entry.cFileName, -1, name.data(), size, nullptr, nullptr);
        name.pop_back();  // the terminating NUL
        if (std::string_view(name).starts_with(prefix)) {
            names.push_back(std::move(name));
        }
    } while (FindNextFileW(search, &entry) != 0);
    FindClose(search);
    return names;
}

bool removeFile(const std::string& path) {
    const std::wstring wide = widePath(path);
    return (!wide.empty() && DeleteFileW(wide.c_str()) != 0) || failed();
}

bool removeDirectoryTree(const std::string& path, std::string_view last) {
    const std::wstring wide = widePath(path);
    if (wide.empty()) {
        return failedWith(ERROR_INVALID_NAME);
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return isNotFound(error) || failedWith(error);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return failedWith(ERROR_DIRECTORY);  // no directory of its own: left as it is
    }
    return removeTree(wide, last.empty() ? std::wstring() : widePath(std::string(last)));
}

std::string lastDirectoryError() {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, lastError, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message;
    if (length > 0 && text != nullptr) {
        message.assign(text, length);
    }
    if (text != nullptr) {
        LocalFree(text);
    }
    // The system's text ends in a full stop and CR LF.
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(lastError) : message;
}

bool isPathSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace korvcmp
