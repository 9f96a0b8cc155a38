# SPDX-License-Identifier: Apache-2.0
# Toolchain: 64-bit Windows with mingw-w64 (Debian's g++-mingw-w64-x86-64-posix); tests run under
# Wine's wine64 loader (Debian's wine64).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HALCYON_MINGW_TRIPLE x86_64-w64-mingw32)
set(HALCYON_WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
