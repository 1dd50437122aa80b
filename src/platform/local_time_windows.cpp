// The current local time on Windows, through the C library's thread-safe
// localtime_s (which takes its arguments in the opposite order to POSIX's
// localtime_r).
#include "platform/local_time.h"

namespace korvcmp {

std::tm localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    return local;
}

}  // namespace korvcmp
