// <windows.h> as the platform layer's Windows files include it: without the
// rarely used parts of the API, and without its min and max macros, which
// would break std::min and std::max.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
