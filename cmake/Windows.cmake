# SPDX-License-Identifier: Apache-2.0
# The Windows build (cross-built with mingw-w64, see mingw64.cmake): the DLL's name, one output
# folder for programs and DLLs, the compiler's runtime DLLs beside them, and GoogleTest built
# from its sources.

# Windows finds a program's DLLs in the program's own folder: every .exe and .dll goes to bin/.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)

# The library is HalcyonCommon.dll, the name the terminal's modules load; the import library
# keeps the toolchain's own name (libHalcyonCommon.dll.a).
set(CMAKE_SHARED_LIBRARY_PREFIX "")

# The C++ runtime is shared (libstdc++, libgcc, winpthread DLLs) rather than linked into every
# module: one runtime per process, so that exceptions and standard types cross between the DLL
# and its callers (32-bit libgcc unwinds with DWARF tables, which cannot cross modules when each
# links its own copy). The DLLs are placed beside the programs and installed with them.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libgcc_s_dw2-1.dll libgcc_s_sjlj-1.dll
            libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE _dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  # The compiler echoes the bare name back when it has no such file.
  if(IS_ABSOLUTE "${_dll_path}" AND EXISTS "${_dll_path}")
    file(REAL_PATH "${_dll_path}" _dll_path)
    file(COPY "${_dll_path}" DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
    install(FILES "${_dll_path}" DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# GoogleTest from the sources Debian's googletest package ships, built with the cross compiler.
if(HALCYON_BUILD_TESTS)
  set(HALCYON_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  if(NOT EXISTS ${HALCYON_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${HALCYON_GTEST_SOURCE_DIR} "
                        "(Debian package googletest)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${HALCYON_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
