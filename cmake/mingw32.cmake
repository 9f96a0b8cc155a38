# SPDX-License-Identifier: Apache-2.0
# Toolchain: 32-bit Windows, the terminal's own bitness, with mingw-w64
# (Debian's g++-mingw-w64-i686-posix); tests run under Wine's 32-bit loader (Debian's wine32).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(HALCYON_MINGW_TRIPLE i686-w64-mingw32)
set(HALCYON_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
