// The SIGBUS handler: the read error of listing 2, written with async-signal-safe calls only.
#include "driver/bus_error.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

#include "driver/process_state.h"

namespace korvcmp {
namespace {

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

void onBusError(int /*signal*/) {
    // The mapping lost pages that listing 2 had: its bytes can no longer be
    // read, so the run ends as after any read error of that file.
    writeText("*** korvcmp error: Read error of file ");
    writeText(process.listing2Path != nullptr ? process.listing2Path : "");
    writeText(", near line 0\n");
    _exit(255);
}

}  // namespace

void reportBusErrorsAsReadErrors() {
    struct sigaction action {};
    action.sa_handler = onBusError;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, nullptr);
}

}  // namespace korvcmp
