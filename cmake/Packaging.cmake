# Installation: headers, the library with its soname, a CMake package and a pkg-config file, in
# three components: "libraries" (the shared library and its data), "development" (headers, the
# CMake package, the pkg-config file, the unversioned link) and "tools" (the halcyon program);
# python/ adds a fourth, "python" (the module halcyon), where it is built.
include(CMakePackageConfigHelpers)

install(TARGETS HalcyonCommon EXPORT HalcyonCommonTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT libraries
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libraries
          NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(EXPORT HalcyonCommonTargets NAMESPACE HalcyonCommon::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/HalcyonCommon COMPONENT development)

configure_package_config_file(cmake/HalcyonCommonConfig.cmake.in
  ${PROJECT_BINARY_DIR}/HalcyonCommonConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/HalcyonCommon)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/HalcyonCommonConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/HalcyonCommonConfig.cmake
              ${PROJECT_BINARY_DIR}/HalcyonCommonConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/HalcyonCommon COMPONENT development)

# The pkg-config file finds the prefix from its own folder, however deep the library folder is
# (lib, or lib/x86_64-linux-gnu on Debian).
file(RELATIVE_PATH HALCYON_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" HALCYON_PC_TO_PREFIX "${HALCYON_PC_TO_PREFIX}")
configure_file(cmake/halcyoncommon.pc.in ${PROJECT_BINARY_DIR}/halcyoncommon.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/halcyoncommon.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# A sample market time zone table where the library reads it: the SYS folder under the
# installation root (the prefix, whose bin folder holds the tool).
install(FILES data/TimeZone.Ctl DESTINATION ${HALCYON_INSTALL_SYSDIR} COMPONENT libraries)

if(HALCYON_DEBIAN_LAYOUT)
  include(cmake/DebianPackages.cmake)
endif()
