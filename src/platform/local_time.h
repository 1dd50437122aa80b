// The current local time, as the system's time zone gives it.
#pragma once

#include <ctime>

namespace korvcmp {

std::tm localTimeNow();

}  // namespace korvcmp
