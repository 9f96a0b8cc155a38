# civetweb, the HTTP server of the optional `halcyon metrics serve`: found by header and library
# (Debian's libcivetweb-dev ships a CMake package that names a program it does not install, so
# find_package cannot use it). Defines the target Halcyon::civetweb when found, and the option
# HALCYON_BUILD_METRICS, on by default exactly when it is. Not on Windows: the metrics read the
# installation's files with the host's calls.
if(NOT WIN32)
  find_path(HALCYON_CIVETWEB_INCLUDE_DIR civetweb.h)
  find_library(HALCYON_CIVETWEB_LIBRARY civetweb)
endif()
if(HALCYON_CIVETWEB_INCLUDE_DIR AND HALCYON_CIVETWEB_LIBRARY)
  add_library(halcyon_civetweb INTERFACE)
  target_include_directories(halcyon_civetweb SYSTEM INTERFACE ${HALCYON_CIVETWEB_INCLUDE_DIR})
  target_link_libraries(halcyon_civetweb INTERFACE ${HALCYON_CIVETWEB_LIBRARY})
  add_library(Halcyon::civetweb ALIAS halcyon_civetweb)
  set(_halcyon_civetweb_found ON)
else()
  set(_halcyon_civetweb_found OFF)
endif()
option(HALCYON_BUILD_METRICS "Build `halcyon metrics serve` (OpenMetrics over HTTP)"
       ${_halcyon_civetweb_found})
if(HALCYON_BUILD_METRICS AND NOT _halcyon_civetweb_found)
  message(FATAL_ERROR "HALCYON_BUILD_METRICS needs civetweb (Debian: libcivetweb-dev)")
endif()
