# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (scripts/windows/setup-windows-tools.sh
# installs it).
#
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/toolchain-mingw64.cmake \
#     -DKELVO_WINDOWS_QT_DIR=$HOME/.cache/kelvo/qt6-windows-6.4.2
#
# The path must be absolute: Qt's own CMake code re-reads this file from other folders.
# That Qt remembers the host Qt it was built with (/usr, for moc, rcc and uic); pass
# -DQT_HOST_PATH=... only where the host's Qt 6 of the same version lives elsewhere.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELVO_MINGW_TRIPLET x86_64-w64-mingw32)

# The -posix variants, because the -win32 thread model has no std::thread or std::mutex.
# Looked up outside the find root below, which holds only Windows files.
find_program(KELVO_MINGW_GCC ${KELVO_MINGW_TRIPLET}-gcc-posix NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_program(KELVO_MINGW_GXX ${KELVO_MINGW_TRIPLET}-g++-posix NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_program(KELVO_MINGW_WINDRES ${KELVO_MINGW_TRIPLET}-windres NO_CMAKE_FIND_ROOT_PATH REQUIRED)
# The gcc- wrappers load the LTO plugin, so archives of LTO objects still get a symbol index.
find_program(KELVO_MINGW_AR ${KELVO_MINGW_TRIPLET}-gcc-ar-posix NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_program(KELVO_MINGW_RANLIB ${KELVO_MINGW_TRIPLET}-gcc-ranlib-posix NO_CMAKE_FIND_ROOT_PATH REQUIRED)

set(CMAKE_C_COMPILER ${KELVO_MINGW_GCC})
set(CMAKE_CXX_COMPILER ${KELVO_MINGW_GXX})
set(CMAKE_RC_COMPILER ${KELVO_MINGW_WINDRES})
set(CMAKE_AR ${KELVO_MINGW_AR} CACHE FILEPATH "Archiver for the Windows target")
set(CMAKE_RANLIB ${KELVO_MINGW_RANLIB} CACHE FILEPATH "Ranlib for the Windows target")

# -O2 for release builds, as the Linux builds use: at -O3 this GCC (12) reports false
# -Wrestrict and -Wnull-dereference warnings inside std::string and std::vector code, which
# the project's -Werror turns into failures.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of release builds")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of release builds")

# Link libgcc, libstdc++ and winpthread in, so that no compiler DLL has to travel with the .exe.
option(KELVO_WINDOWS_STATIC_RUNTIME "Link the mingw-w64 runtime statically" ON)
if(KELVO_WINDOWS_STATIC_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
  set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
  set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
endif()

# Host programs (moc, compilers, wine) come from the build machine; libraries, headers and
# CMake packages only from Windows prefixes, so a Linux library is never linked by mistake.
set(CMAKE_FIND_ROOT_PATH /usr/${KELVO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A Windows build of Qt (scripts/windows/build-qt-windows.sh) lives outside /usr, so it has to
# become a find root as well as a prefix, or the ONLY modes above hide it. Also read from the
# environment, and handed on to try_compile projects, which otherwise would not see it.
if(NOT KELVO_WINDOWS_QT_DIR AND DEFINED ENV{KELVO_WINDOWS_QT_DIR})
  set(KELVO_WINDOWS_QT_DIR "$ENV{KELVO_WINDOWS_QT_DIR}")
endif()
if(KELVO_WINDOWS_QT_DIR)
  list(APPEND CMAKE_FIND_ROOT_PATH "${KELVO_WINDOWS_QT_DIR}")
  list(APPEND CMAKE_PREFIX_PATH "${KELVO_WINDOWS_QT_DIR}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KELVO_WINDOWS_QT_DIR)

# Lets ctest, gtest_discover_tests and add_custom_command run the .exe files. Leave it out with
# -DCMAKE_CROSSCOMPILING_EMULATOR= when Wine is not installed.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(KELVO_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(KELVO_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KELVO_WINE64})
  endif()
endif()
