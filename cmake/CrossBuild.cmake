# SPDX-License-Identifier: GPL-3.0-or-later
# What a cross build (mingw-w64 for Windows, cmake/toolchain-mingw64.cmake) takes from the
# build machine: the header-only INI library and GoogleTest's sources, both from Debian
# packages. Their folders are never include folders of the cross build as they stand:
# /usr/include holds the build machine's C library headers, which would hide mingw's.

# The INI library: its one header, copied into a folder of its own.
find_file(KELVO_SIMPLEINI_HEADER SimpleIni.h PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
configure_file(${KELVO_SIMPLEINI_HEADER} ${CMAKE_BINARY_DIR}/simpleini/SimpleIni.h COPYONLY)
set(SIMPLEINI_INCLUDE_DIR ${CMAKE_BINARY_DIR}/simpleini)

if(NOT KELVO_TESTS)
  return()
endif()

# GoogleTest, built for the target from the source that libgtest-dev ships (about 24 s).
set(KELVO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's source tree, built for the cross target")
if(NOT EXISTS ${KELVO_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest source at ${KELVO_GTEST_SOURCE_DIR} (apt-get install libgtest-dev)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KELVO_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# GoogleTest's own CMake code names its targets GTest::gtest and GTest::gtest_main, as
# find_package(GTest) would.
