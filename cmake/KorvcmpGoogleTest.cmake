# GoogleTest for the tests, found in this order:
#   1. an installed GoogleTest (find_package; Debian: libgtest-dev). Not when
#      cross compiling, where the build machine's libraries do not fit, unless
#      GTest_DIR names a GoogleTest built for the target;
#   2. built here from its sources, with the same compiler as korvcmp
#      (Debian's googletest package installs them in /usr/src/googletest);
#   3. a pinned GoogleTest release, fetched (needs the network).
# Afterwards the targets GTest::gtest and GTest::gtest_main exist.

set(KORVCMP_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest sources to build when no GoogleTest for the target is installed")
option(KORVCMP_FETCH_GOOGLETEST "Fetch GoogleTest when neither an installed one nor its sources are found" ON)

if(NOT CMAKE_CROSSCOMPILING OR GTest_DIR)
  find_package(GTest QUIET)
endif()

if(NOT GTest_FOUND)
  # GoogleTest's own options: no installation, no GoogleMock, and the same
  # C runtime as korvcmp under MSVC.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  if(EXISTS ${KORVCMP_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    message(STATUS "GoogleTest: building the sources in ${KORVCMP_GOOGLETEST_SOURCE_DIR}")
    add_subdirectory(${KORVCMP_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  elseif(KORVCMP_FETCH_GOOGLETEST)
    message(STATUS "GoogleTest: fetching release 1.14.0")
    include(FetchContent)
    FetchContent_Declare(googletest
      GIT_REPOSITORY https://github.com/google/googletest.git
      GIT_TAG v1.14.0
      GIT_SHALLOW TRUE)
    FetchContent_MakeAvailable(googletest)
  endif()
  if(TARGET gtest AND NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()
