// The compared listing's file on Windows. Lines end in CR LF, as the C
// library's text streams end them there: every LF written becomes CR LF
// (unless the file was created with LineEnds::asWritten: then every byte is
// written as it is). A
// replacement is a new file beside the replaced one, renamed over it with
// MoveFileEx only when every write and the close succeeded; the replaced
// file keeps every byte otherwise. Windows keeps the name of a file that is
// still open, so the replaced file must be closed by then (the run closes
// its listings before the output); if it is not, close() fails and the
// replaced file stays as it was. A replacement is named
// "NAME.korvcmp-PID-N.tmp": those of runs that have ended, killed before
// they could remove them, are removed by the next.
#include "platform/output_file.h"

#include "platform/windows_api.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace korvcmp {
namespace {

// Text is translated through a buffer of this size on the stack, so that
// writing allocates nothing and one WriteFile call carries many lines.
constexpr std::size_t kTranslationBufferSize = std::size_t{64} << 10;
// One WriteFile call takes at most this much (its size is a DWORD).
constexpr std::size_t kLargestWrite = std::size_t{1} << 30;
// Names tried for a replacement before giving up.
constexpr int kReplacementNameTries = 100;

// The class keeps the HANDLE as an integer, so that its header needs no
// <windows.h>.
HANDLE asHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);  // NOLINT(performance-no-int-to-ptr)
}

bool writeAll(HANDLE handle, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD written = 0;
        const auto wanted = static_cast<DWORD>(std::min(size, kLargestWrite));
        if (WriteFile(handle, data, wanted, &written, nullptr) == 0 || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// The path of the file that `path` names, with a symbolic link resolved to
// the file it points to (a replacement goes beside that file, not the link).
std::string resolvedPath(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return path;
    }
    const HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return path;
    }
    std::string target(MAX_PATH, '\0');
    DWORD length =
        GetFinalPathNameByHandleA(file, target.data(), static_cast<DWORD>(target.size()), 0);
    if (length >= target.size()) {
        target.resize(length);
        length =
            GetFinalPathNameByHandleA(file, target.data(), static_cast<DWORD>(target.size()), 0);
    }
    CloseHandle(file);
    if (length == 0 || length >= target.size()) {
        return path;
    }
    target.resize(length);
    return target;
}

// Whether the process `id` has ended.
bool hasEnded(unsigned long id) {
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) {
        return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
    }
    DWORD exitCode = 0;
    const bool ended = GetExitCodeProcess(process, &exitCode) != 0 && exitCode != STILL_ACTIVE;
    CloseHandle(process);
    return ended;
}

// Removes the replacements of `replaced` that runs which have ended left.
void removeDeadReplacements(const std::string& replaced) {
    const std::string prefix = replaced + ".korvcmp-";
    std::size_t folderEnd = replaced.find_last_of("\\/");
    folderEnd = folderEnd == std::string::npos ? 0 : folderEnd + 1;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((prefix + "*.tmp").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::size_t idStart = prefix.size() - folderEnd;
    do {
        const std::string name = entry.cFileName;
        if (name.size() <= idStart) {
            continue;
        }
        char* end = nullptr;
        const unsigned long id = std::strtoul(name.c_str() + idStart, &end, 10);
        if (end != nullptr && *end == '-' && hasEnded(id)) {
            DeleteFileA((replaced.substr(0, folderEnd) + name).c_str());
        }
    } while (FindNextFileA(search, &entry) != 0);
    FindClose(search);
}

}  // namespace

OutputFile::~OutputFile() {
    if (isOpen()) {
        abandon();
    }
}

void OutputFile::useStandardOutput(LineEnds lineEnds) {
    handle_ = reinterpret_cast<std::intptr_t>(GetStdHandle(STD_OUTPUT_HANDLE));
    ownsHandle_ = false;
    translatesLineEnds_ = lineEnds == LineEnds::system;
}

bool OutputFile::create(const char* path, LineEnds lineEnds) {
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        failure_ = SystemFailure::ofLastCall();
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    ownsHandle_ = true;
    translatesLineEnds_ = lineEnds == LineEnds::system;
    return true;
}

bool OutputFile::createReplacement(const char* path, LineEnds lineEnds) {
    std::string replaced = resolvedPath(path);
    const DWORD attributes = GetFileAttributesA(replaced.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        // It could not be written in place either.
        failure_.code =
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ERROR_DIRECTORY : ERROR_ACCESS_DENIED;
        return false;
    }
    // A name of our own in the same directory, so that the rename stays on
    // one volume; CREATE_NEW never takes over a file that is already there,
    // so a name in use (another run, a leftover) moves on to the next one.
    removeDeadReplacements(replaced);
    const std::string prefix = replaced + ".korvcmp-" + std::to_string(GetCurrentProcessId()) + "-";
    for (int tries = 0; tries < kReplacementNameTries; ++tries) {
        std::string candidate = prefix + std::to_string(tries) + ".tmp";
        const HANDLE file = CreateFileA(candidate.c_str(), GENERIC_WRITE | DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<std::intptr_t>(file);
            ownsHandle_ = true;
            translatesLineEnds_ = lineEnds == LineEnds::system;
            replacementPath_ = std::move(candidate);
            replacedPath_ = std::move(replaced);
            return true;
        }
        const DWORD error = GetLastError();
        failure_.code = error;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return false;
}

bool OutputFile::write(const char* data, std::size_t size) {
    if (!isOpen()) {
        return false;
    }
    const HANDLE handle = asHandle(handle_);
    if (!translatesLineEnds_) {
        const bool written = writeAll(handle, data, size);
        if (!written) {
            failure_ = SystemFailure::ofLastCall();
            replacedPath_.clear();  // a replacement that lost a write is never renamed
        }
        return written;
    }
    char translated[kTranslationBufferSize];
    std::size_t filled = 0;
    bool written = true;
    const char* const end = data + size;
    while (written && data < end) {
        const auto* newline =
            static_cast<const char*>(std::memchr(data, '\n', static_cast<std::size_t>(end - data)));
        const char* const runEnd = newline != nullptr ? newline : end;
        const auto run = static_cast<std::size_t>(runEnd - data);
        if (filled + run + 2 > sizeof translated) {
            written = writeAll(handle, translated, filled);
            filled = 0;
        }
        if (run + 2 > sizeof translated) {
            // Longer than the buffer: written as it is, only its line end translated.
            written = written && writeAll(handle, data, run);
        } else {
            std::memcpy(translated + filled, data, run);
            filled += run;
        }
        if (newline != nullptr) {
            translated[filled++] = '\r';
            translated[filled++] = '\n';
        }
        data = newline != nullptr ? newline + 1 : end;
    }
    written = written && writeAll(handle, translated, filled);
    if (!written) {
        failure_ = SystemFailure::ofLastCall();
        // A replacement that lost a write is never renamed: close() removes it.
        replacedPath_.clear();
    }
    return written;
}

bool OutputFile::close() {
    if (!isOpen()) {
        return true;
    }
    const bool closed = !ownsHandle_ || CloseHandle(asHandle(handle_)) != 0;
    handle_ = -1;
    ownsHandle_ = false;
    if (!closed) {
        failure_ = SystemFailure::ofLastCall();
    }
    if (replacementPath_.empty()) {
        return closed;
    }
    // The rename happens only now, so the replaced file is whole until the
    // replacement is; an empty replacedPath_ marks a failed write.
    const bool renamed = closed && !replacedPath_.empty() &&
                         MoveFileExA(replacementPath_.c_str(), replacedPath_.c_str(),
                                     MOVEFILE_REPLACE_EXISTING) != 0;
    if (closed && !replacedPath_.empty() && !renamed) {
        failure_ = SystemFailure::ofLastCall();
    }
    if (!renamed) {
        DeleteFileA(replacementPath_.c_str());
    }
    replacementPath_.clear();
    replacedPath_.clear();
    return renamed;
}

void OutputFile::abandon() {
    if (isOpen() && ownsHandle_) {
        CloseHandle(asHandle(handle_));
    }
    handle_ = -1;
    ownsHandle_ = false;
    if (!replacementPath_.empty()) {
        DeleteFileA(replacementPath_.c_str());
        replacementPath_.clear();
        replacedPath_.clear();
    }
}

}  // namespace korvcmp
