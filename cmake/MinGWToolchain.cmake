# SPDX-License-Identifier: Apache-2.0
# Shared part of the mingw-w64 toolchains (mingw64.cmake, mingw32.cmake): cross-builds the Windows
# DLL, the tool and the tests on Linux with Debian's mingw-w64 compilers, and runs the test
# programs under Wine. HALCYON_MINGW_TRIPLE names the target before this file is included.
#
# The -posix compilers are required: the default ones use the win32 thread model, which has no
# std::thread or std::mutex, and GoogleTest does not build with them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${HALCYON_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HALCYON_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HALCYON_MINGW_TRIPLE}-windres)

# Libraries and headers come from the cross environment only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${HALCYON_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine. Debian keeps the loaders out of PATH, in /usr/lib/wine: wine64
# for 64-bit programs, wine for 32-bit ones (package wine32). Where that folder exists, only its
# loaders count: /usr/bin/wine is a wrapper that is there without wine32 too, and cannot start a
# 32-bit program then. Elsewhere the loader is looked for in PATH.
if(IS_DIRECTORY /usr/lib/wine)
  find_program(HALCYON_WINE NAMES ${HALCYON_WINE_LOADER} PATHS /usr/lib/wine NO_DEFAULT_PATH)
else()
  find_program(HALCYON_WINE NAMES ${HALCYON_WINE_LOADER})
endif()
if(HALCYON_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${HALCYON_WINE})
endif()
