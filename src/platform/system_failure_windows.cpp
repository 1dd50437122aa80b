// Failure reasons on Windows: GetLastError() and the system's message for it.
#include "platform/system_failure.h"

#include "platform/windows_api.h"

namespace korvcmp {

SystemFailure SystemFailure::ofLastCall() {
    return SystemFailure{static_cast<std::uint32_t>(GetLastError())};
}

bool SystemFailure::isClosedPipe() const {
    return code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA;
}

std::string SystemFailure::text() const {
    char message[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, message, sizeof message, nullptr);
    // The system's message ends in a full stop and a line end.
    while (length > 0 && (message[length - 1] == '\n' || message[length - 1] == '\r' ||
                          message[length - 1] == ' ' || message[length - 1] == '.')) {
        --length;
    }
    if (length == 0) {
        return "system error " + std::to_string(code);
    }
    return std::string(message, length);
}

}  // namespace korvcmp
