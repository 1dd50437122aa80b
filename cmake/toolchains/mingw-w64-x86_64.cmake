# Cross build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix),
# tests run under Wine (Debian: wine).
#
#   cmake --preset windows-cross        or
#   cmake -S . -B build-windows-cross -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
#
# The -posix compilers are the ones with std::thread. The executables link
# the C++ runtime, libgcc and winpthread statically (see the top
# CMakeLists.txt), so korvcmp.exe needs no MinGW DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVCMP_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${KORVCMP_MINGW_PREFIX}-gcc-posix ${KORVCMP_MINGW_PREFIX}-gcc)
find_program(CMAKE_CXX_COMPILER NAMES ${KORVCMP_MINGW_PREFIX}-g++-posix ${KORVCMP_MINGW_PREFIX}-g++)
find_program(CMAKE_RC_COMPILER NAMES ${KORVCMP_MINGW_PREFIX}-windres)

# Libraries and headers come from the target's root only; programs run at
# build time come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${KORVCMP_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs (and GoogleTest's test discovery) run under Wine, quietly.
# Start a Wine session before CTest (`wine cmd /c exit </dev/null >/dev/null`):
# the first Wine process starts services that would keep CTest's output
# pipe open.
find_program(KORVCMP_WINE NAMES wine64 wine)
if(KORVCMP_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env;WINEDEBUG=-all;${KORVCMP_WINE})
endif()
