// Failure reasons on POSIX systems: errno and strerror.
#include "platform/system_failure.h"

#include <cerrno>
#include <cstring>

namespace korvcmp {

SystemFailure SystemFailure::ofLastCall() {
    return SystemFailure{static_cast<std::uint32_t>(errno)};
}

bool SystemFailure::isClosedPipe() const {
    return code == static_cast<std::uint32_t>(EPIPE);
}

std::string SystemFailure::text() const {
    return std::strerror(static_cast<int>(code));
}

}  // namespace korvcmp
