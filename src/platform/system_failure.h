// Why a system call failed, as the system numbers it: errno on POSIX systems,
// GetLastError() on Windows. The object whose call failed keeps the number,
// so that the reason can be worded later, on any thread, without a second
// call having replaced it. One implementation per system.
#pragma once

#include <cstdint>
#include <string>

namespace korvcmp {

struct SystemFailure {
    std::uint32_t code = 0;  // 0: nothing failed

    // The failure of this thread's last system call.
    static SystemFailure ofLastCall();
    // The reader at the other end went away (a closed pipe).
    bool isClosedPipe() const;
    // The reason in the system's words, without a full stop or line end.
    std::string text() const;
};

}  // namespace korvcmp
