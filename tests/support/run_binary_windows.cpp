// Runs of the built korvcmp binary on Windows: CreateProcess, with standard
// input empty and standard output and standard error read through pipes, as
// text: the CR LF that ends each line there comes back as LF, so that tests
// compare the same text on every system.
#include <stdexcept>
#include <thread>

#include "platform/windows_api.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

// `argument` as the C runtime's command-line parser gives it back.
std::string quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string text = "\"";
    std::size_t backslashes = 0;
    for (const char character : argument) {
        if (character == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a quote follows them.
        text.append(character == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        text.push_back(character);
    }
    text.append(2 * backslashes, '\\');
    text.push_back('"');
    return text;
}

std::string readText(HANDLE pipe) {
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) != 0 && got > 0) {
        text.append(buffer, got);
    }
    return withLfLineEnds(text);
}

// A pipe whose write end the child inherits.
void makePipe(HANDLE& readEnd, HANDLE& writeEnd) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (CreatePipe(&readEnd, &writeEnd, &inherited, 0) == 0 ||
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0) == 0) {
        throw std::runtime_error("CreatePipe failed");
    }
}

}  // namespace

ProcessResult runBinary(const std::vector<std::string>& arguments,
                        const std::string& workingDirectory) {
    std::string commandLine = quoted(KORVCMP_BINARY);
    for (const std::string& argument : arguments) {
        commandLine += ' ' + quoted(argument);
    }
    HANDLE outRead = nullptr;
    HANDLE outWrite = nullptr;
    HANDLE errRead = nullptr;
    HANDLE errWrite = nullptr;
    makePipe(outRead, outWrite);
    makePipe(errRead, errWrite);
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE empty = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inherited, OPEN_EXISTING, 0, nullptr);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = empty;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION child{};
    const bool started =
        CreateProcessA(KORVCMP_BINARY, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                       &child) != 0;
    // Only the child holds the write ends now, so the reads end when it does.
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    CloseHandle(empty);
    ProcessResult result;
    if (!started) {
        CloseHandle(outRead);
        CloseHandle(errRead);
        result.status = 127;
        return result;
    }
    std::thread errorReader([&] { result.standardError = readText(errRead); });
    result.standardOutput = readText(outRead);
    errorReader.join();
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(child.hProcess, &exitCode);
    // exit(-1) is 0xFFFFFFFF here; a POSIX shell sees 255.
    result.status = exitCode == 0xFFFFFFFF ? 255 : static_cast<int>(exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

}  // namespace korvcmp::testing
