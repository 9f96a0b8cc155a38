# SPDX-License-Identifier: Apache-2.0
# The NATS C client, which only the optional bridge (Src/Bridge) uses: found through pkg-config
# (libnats) or by library and header. Defines the target Halcyon::nats when found, and the option
# HALCYON_BUILD_BRIDGE, on by default exactly when it is.
# A cross build (the Windows DLL) must not pick up the build machine's client through its
# pkg-config; the toolchain's search paths decide there.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND AND NOT CMAKE_CROSSCOMPILING)
  pkg_check_modules(HALCYON_NATS QUIET IMPORTED_TARGET libnats)
endif()
if(HALCYON_NATS_FOUND)
  add_library(Halcyon::nats ALIAS PkgConfig::HALCYON_NATS)
else()
  find_path(HALCYON_NATS_INCLUDE_DIR nats/nats.h)
  find_library(HALCYON_NATS_LIBRARY nats)
  if(HALCYON_NATS_INCLUDE_DIR AND HALCYON_NATS_LIBRARY)
    add_library(halcyon_nats INTERFACE)
    target_include_directories(halcyon_nats SYSTEM INTERFACE ${HALCYON_NATS_INCLUDE_DIR})
    target_link_libraries(halcyon_nats INTERFACE ${HALCYON_NATS_LIBRARY})
    add_library(Halcyon::nats ALIAS halcyon_nats)
  endif()
endif()
if(TARGET Halcyon::nats)
  set(_halcyon_nats_found ON)
else()
  set(_halcyon_nats_found OFF)
endif()
option(HALCYON_BUILD_BRIDGE "Build the NATS JetStream bridge of shared queues" ${_halcyon_nats_found})
if(HALCYON_BUILD_BRIDGE AND NOT _halcyon_nats_found)
  message(FATAL_ERROR "HALCYON_BUILD_BRIDGE needs the NATS C client (Debian: libnats-dev)")
endif()
if(NOT HALCYON_BUILD_BRIDGE)
  message(STATUS "NATS C client not found or bridge switched off: the bridge is not built")
endif()
