// The SIGBUS handler on POSIX systems. A fault inside the guarded mapping
// writes the prepared report with async-signal-safe calls only and ends the
// process; any other SIGBUS is raised again with its default action.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>

#include "platform/mapping_guard.h"

namespace korvcmp {
namespace {

// What the handler reads; set before a fault can happen in the range.
std::atomic<std::uintptr_t> guardedBegin{0};
std::atomic<std::uintptr_t> guardedEnd{0};
std::atomic<const char*> guardedReport{nullptr};

static_assert(std::atomic<std::uintptr_t>::is_always_lock_free &&
                  std::atomic<const char*>::is_always_lock_free,
              "the signal handler reads these without locks");

void writeText(const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, text, left);
        if (written <= 0) {
            return;
        }
        text += written;
        left -= static_cast<std::size_t>(written);
    }
}

bool isGuardedFault(const siginfo_t* info) {
    // Only a fault the kernel reports carries the address it happened at; a
    // SIGBUS sent by kill() or raise() has none.
    if (info == nullptr || info->si_code <= 0) {
        return false;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    return address >= guardedBegin.load() && address < guardedEnd.load();
}

void onBusError(int signal, siginfo_t* info, void* /*context*/) {
    const char* report = guardedReport.load();
    if (report != nullptr && isGuardedFault(info)) {
        // The mapping lost pages of its file: its bytes can no longer be
        // read, so the run ends as after any read error of that file.
        writeText(report);
        _exit(255);
    }
    // Not ours: the default action, as if no handler had been installed.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}

}  // namespace

void installMappingFaultHandler() {
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, nullptr);
}

void guardMapping(const void* begin, std::size_t size, const char* report) {
    const auto start = reinterpret_cast<std::uintptr_t>(begin);
    guardedReport = nullptr;
    guardedBegin = start;
    guardedEnd = start + size;
    guardedReport = report;
}

void unguardMapping() {
    guardedReport = nullptr;
    guardedBegin = 0;
    guardedEnd = 0;
}

}  // namespace korvcmp
