# The Debian packages, made by CPack's DEB generator from the three install components:
#
#   libhalcyoncommon1     the shared library (soname libHalcyonCommon.so.1) and its data files
#   libhalcyoncommon-dev  the headers, the CMake package, the pkg-config file, the .so link
#   halcyon-tools         the halcyon program, in its own installation root /usr/lib/halcyon
#
#   cmake --preset deb && cmake --build --preset deb && cpack --preset deb
#
# leaves the three .deb files in build/deb. Dependencies on system libraries come from
# dpkg-shlibdeps; the packages of this project depend on each other at exactly this version.
set(HALCYON_DEB_RELEASE 1)
set(HALCYON_DEB_VERSION ${PROJECT_VERSION}-${HALCYON_DEB_RELEASE})
set(HALCYON_DEB_MAINTAINER "HalcyonCommon maintainers <maintainers@users.noreply.c-seed-95f664f1.example>")
set(HALCYON_DEB_PACKAGES libhalcyoncommon1 libhalcyoncommon-dev halcyon-tools)
set(HALCYON_DEB_DIR ${PROJECT_SOURCE_DIR}/cmake/debian)
set(HALCYON_DEB_BUILD_DIR ${PROJECT_BINARY_DIR}/debian)

# Each package's copyright file and changelog (gzip -9n, as Debian wants it: no name, no time).
string(TIMESTAMP HALCYON_DEB_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${HALCYON_DEB_DIR}/changelog.in ${HALCYON_DEB_BUILD_DIR}/changelog.Debian @ONLY)
execute_process(COMMAND gzip -9n -c ${HALCYON_DEB_BUILD_DIR}/changelog.Debian
                OUTPUT_FILE ${HALCYON_DEB_BUILD_DIR}/changelog.Debian.gz
                RESULT_VARIABLE _gzip_result)
if(NOT _gzip_result EQUAL 0)
  message(FATAL_ERROR "gzip could not compress the Debian changelog")
endif()
set(_components libraries development tools)
foreach(i RANGE 2)
  list(GET _components ${i} component)
  list(GET HALCYON_DEB_PACKAGES ${i} package)
  install(FILES ${HALCYON_DEB_DIR}/copyright ${HALCYON_DEB_BUILD_DIR}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# The tool's installation root: /usr/bin/halcyon leads to it, and its SYS, LOG and TEMP folders
# are the library's data, the system's log folder and each user's own temporary folder: TEMP is a
# user link (Src/Platform/posix/files/UserLinks.h) that the library follows to
# $XDG_RUNTIME_DIR/halcyon-temp, or ~/.cache/halcyon-temp without a runtime folder, made 0700.
set(_links ${HALCYON_DEB_BUILD_DIR}/links)
file(MAKE_DIRECTORY ${_links}/bin)
file(CREATE_LINK ../${HALCYON_INSTALL_TOOLDIR}/halcyon ${_links}/bin/halcyon SYMBOLIC)
file(CREATE_LINK ../../${HALCYON_INSTALL_SYSDIR} ${_links}/SYS SYMBOLIC)
file(CREATE_LINK /var/log/halcyon ${_links}/LOG SYMBOLIC)
file(CREATE_LINK "$XDG_RUNTIME_DIR/halcyon-temp" ${_links}/TEMP SYMBOLIC)
install(FILES ${_links}/bin/halcyon DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
install(FILES ${_links}/SYS ${_links}/LOG ${_links}/TEMP
        DESTINATION ${HALCYON_INSTALL_TOOL_ROOT} COMPONENT tools)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halcyoncommon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${HALCYON_DEB_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL libraries development tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${HALCYON_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SOURCE halcyoncommon)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The tool's own library is found in the build tree; its package is named below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/Src)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The shlibs file of the library's package: programs built against it depend on this version.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_LIBRARIES_PACKAGE_NAME libhalcyoncommon1)
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_SECTION libs)
# The ldconfig trigger that Debian's shared library packages activate (CPack's own postinst and
# postrm call ldconfig as well, which lintian notes as redundant).
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_CONTROL_EXTRA ${HALCYON_DEB_DIR}/libraries/triggers)
set(CPACK_COMPONENT_LIBRARIES_DESCRIPTION [[common utility library of the Halcyon trading terminal
HalcyonCommon gives the terminal's modules one answer each to where files
live, how processes pass records through named shared-memory queues, how
buffers are compressed and scrambled, how settings are read and logs
written, and how Big5 text becomes GB. This package holds the shared library
and its data files: the Big5 to GB conversion table, the language files and
a sample market time zone table.]])

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libhalcyoncommon-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS libraries)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION [[common utility library of the Halcyon trading terminal (development files)
HalcyonCommon is the common utility library of the Halcyon market-data and
trading terminal. This package holds the headers, the CMake package
(find_package(HalcyonCommon)) and the pkg-config file (halcyoncommon) needed
to build programs that use it.]])

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME halcyon-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_CONTROL_EXTRA
    ${HALCYON_DEB_DIR}/tools/postinst ${HALCYON_DEB_DIR}/tools/postrm)
set(CPACK_COMPONENT_TOOLS_DEPENDS libraries)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION [[command-line tool of the Halcyon common utility library
The halcyon program makes the HalcyonCommon library usable from a shell:
halcyon demo passes generated market-data records between two processes
through a shared queue, and other subcommands show paths, read settings,
convert Big5 text, host and read queues, write logs and compare market time
zones. Its installation root is /usr/lib/halcyon.]])

include(CPack)
