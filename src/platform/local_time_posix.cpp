// The current local time on POSIX systems (reentrant localtime_r).
#include <ctime>

#include "platform/local_time.h"

namespace korvcmp {

std::tm localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace korvcmp
