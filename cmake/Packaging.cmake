# Installation: headers, the library with its soname, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS HalcyonCommon EXPORT HalcyonCommonTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT HalcyonCommonTargets NAMESPACE HalcyonCommon::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/HalcyonCommon)

configure_package_config_file(cmake/HalcyonCommonConfig.cmake.in
  ${PROJECT_BINARY_DIR}/HalcyonCommonConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/HalcyonCommon)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/HalcyonCommonConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/HalcyonCommonConfig.cmake
              ${PROJECT_BINARY_DIR}/HalcyonCommonConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/HalcyonCommon)

configure_file(cmake/halcyoncommon.pc.in ${PROJECT_BINARY_DIR}/halcyoncommon.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/halcyoncommon.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# A sample market time zone table where the library reads it: the SYS folder under the
# installation root (the prefix, whose bin folder holds the tool).
install(FILES data/TimeZone.Ctl DESTINATION SYS)
