# SPDX-License-Identifier: Apache-2.0
# Installation: headers, the library with its soname, a CMake package and a pkg-config file, in
# three components: "libraries" (the shared library and its data), "development" (headers, the
# CMake package, the pkg-config file, the unversioned link, the documentation) and "tools" (the
# halcyon program and its man page); python/ adds "python" (the module halcyon) where it is built.
include(CMakePackageConfigHelpers)

install(TARGETS HalcyonCommon EXPORT HalcyonCommonTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT libraries
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libraries
          NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(DIRECTORY include/ DESTINATION ${HALCYON_INSTALL_INCLUDEDIR} COMPONENT development)
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

# The pkg-config file names the prefix the files are installed under, so that its paths are the
# plain folders pkg-config knows (it leaves out -L/usr/lib/<triplet>). It is written at install
# time, when that prefix is known (`cmake --install --prefix P` gives P).
set(HALCYON_PC_PREFIX "@prefix@")  # filled in at install time
configure_file(cmake/halcyoncommon.pc.in ${PROJECT_BINARY_DIR}/halcyoncommon.pc.in @ONLY)
install(CODE "
  get_filename_component(prefix \"\${CMAKE_INSTALL_PREFIX}\" ABSOLUTE)
  configure_file(\"${PROJECT_BINARY_DIR}/halcyoncommon.pc.in\"
                 \"${PROJECT_BINARY_DIR}/pkgconfig/halcyoncommon.pc\" @ONLY)"
  COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/halcyoncommon.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# A sample market time zone table where the library reads it: the SYS folder under the
# installation root (the prefix, whose bin folder holds the tool).
install(FILES data/TimeZone.Ctl DESTINATION ${HALCYON_INSTALL_SYSDIR} COMPONENT libraries)

# The guides and format notes, and the API reference when it is built with everything.
install(FILES README.md DESTINATION ${HALCYON_INSTALL_DOCDIR} COMPONENT development)
install(DIRECTORY docs/ DESTINATION ${HALCYON_INSTALL_DOCDIR}/docs COMPONENT development
        FILES_MATCHING PATTERN "*.md")
if(HALCYON_BUILD_DOCS)
  install(DIRECTORY ${PROJECT_BINARY_DIR}/docs/api/html/
          DESTINATION ${HALCYON_INSTALL_DOCDIR}/api COMPONENT development)
endif()
# The licence travels with every plain install; a Debian package states it in its copyright file.
if(NOT HALCYON_DEBIAN_LAYOUT)
  install(FILES LICENSE NOTICE DESTINATION ${HALCYON_INSTALL_DOCDIR} COMPONENT libraries)
endif()

# The man page halcyon(1), which the target halcyon_man writes as ${HALCYON_MAN_PAGE}
# (tools/halcyon); compressed for the Debian package, as Debian wants it.
if(TARGET halcyon_man)
  set(_man ${HALCYON_MAN_PAGE})
  if(HALCYON_DEBIAN_LAYOUT)
    set(_man ${PROJECT_BINARY_DIR}/man/halcyon.1.gz)
    add_custom_command(OUTPUT ${_man}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND gzip -9n -c ${HALCYON_MAN_PAGE} > ${_man}
      DEPENDS halcyon_man ${HALCYON_MAN_PAGE})
    add_custom_target(halcyon_man_gz ALL DEPENDS ${_man})
  endif()
  install(FILES ${_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
endif()

include(cmake/Summary.cmake)
if(HALCYON_DEBIAN_LAYOUT)
  include(cmake/DebianPackages.cmake)
endif()
