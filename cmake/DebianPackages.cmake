# SPDX-License-Identifier: Apache-2.0
# The Debian packages, made by CPack's DEB generator from the install components:
#
#   libhalcyoncommon1     the shared library (soname libHalcyonCommon.so.1) and its data files
#   libhalcyoncommon-dev  the headers, the CMake package, the pkg-config file, the .so link, the
#                         guides and the API reference
#   halcyon-tools         the halcyon program, in its own installation root /usr/lib/halcyon,
#                         with the NATS bridge and the metrics server
#   python3-halcyon       the Python module halcyon (where it is built: HALCYON_BUILD_PYTHON)
#
#   cmake --preset deb && cmake --build --preset deb && cpack --preset deb
#
# leaves the .deb files in build/deb. Dependencies on system libraries come from dpkg-shlibdeps;
# the packages of this project depend on each other at exactly this version. A package is one
# call of halcyon_deb_package below: a further component (python3-halcyon, …) adds one more.
set(HALCYON_DEB_RELEASE 1)
set(HALCYON_DEB_VERSION ${PROJECT_VERSION}-${HALCYON_DEB_RELEASE})
set(HALCYON_DEB_MAINTAINER "HalcyonCommon maintainers <maintainers@users.noreply.c-seed-95f664f1.example>")
set(HALCYON_DEB_DIR ${PROJECT_SOURCE_DIR}/cmake/debian)
set(HALCYON_DEB_BUILD_DIR ${PROJECT_BINARY_DIR}/debian)

# The tool's package carries the bridge and the metrics server on purpose, not as the build
# machine happens to allow: configure fails when their libraries are missing.
foreach(part HALCYON_BUILD_BRIDGE HALCYON_BUILD_METRICS HALCYON_BUILD_DOCS)
  if(NOT ${part})
    message(FATAL_ERROR "The Debian packages need ${part}=ON (the deb preset sets it)")
  endif()
endforeach()

# The changelog (gzip -9n, as Debian wants it: no name, no time) that every package carries.
string(TIMESTAMP HALCYON_DEB_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${HALCYON_DEB_DIR}/changelog.in ${HALCYON_DEB_BUILD_DIR}/changelog.Debian @ONLY)
execute_process(COMMAND gzip -9n -c ${HALCYON_DEB_BUILD_DIR}/changelog.Debian
                OUTPUT_FILE ${HALCYON_DEB_BUILD_DIR}/changelog.Debian.gz
                RESULT_VARIABLE _gzip_result)
if(NOT _gzip_result EQUAL 0)
  message(FATAL_ERROR "gzip could not compress the Debian changelog")
endif()

set(CPACK_COMPONENTS_ALL "")
# One package: its install component, name, section, the components it depends on (at this
# version), its summary and its long description.
function(halcyon_deb_package component package section depends summary description)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package} PARENT_SCOPE)
  set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION ${section} PARENT_SCOPE)
  set(CPACK_COMPONENT_${upper}_DEPENDS ${depends} PARENT_SCOPE)
  set(CPACK_DEBIAN_${upper}_DESCRIPTION "${summary}\n${description}" PARENT_SCOPE)
  set(CPACK_COMPONENTS_ALL ${CPACK_COMPONENTS_ALL} ${component} PARENT_SCOPE)
  install(FILES ${HALCYON_DEB_DIR}/copyright ${HALCYON_DEB_BUILD_DIR}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endfunction()

halcyon_deb_package(libraries libhalcyoncommon1 libs ""
  "common utility library of the Halcyon trading terminal"
  [[HalcyonCommon gives the terminal's modules one answer each to where files
live, how processes pass records through named shared-memory queues, how
buffers are compressed and scrambled, how settings are read and logs
written, and how Big5 text becomes GB. This package holds the shared library
and its data files: the Big5 to GB conversion table, the language files and
a sample market time zone table.]])

halcyon_deb_package(development libhalcyoncommon-dev libdevel libraries
  "development files of the HalcyonCommon library"
  [[HalcyonCommon is the common utility library of the Halcyon market-data and
trading terminal. This package holds what programs that use it are built
with: the headers (in /usr/include/halcyoncommon), the CMake package
(find_package(HalcyonCommon)), the pkg-config file (halcyoncommon), the
user's and integrator's guides and the API reference in HTML.]])

halcyon_deb_package(tools halcyon-tools utils libraries
  "halcyon, the shell tool of the HalcyonCommon library"
  [[The halcyon program makes the HalcyonCommon library usable from a shell:
halcyon demo passes generated market-data records between two processes
through a shared queue, and other subcommands show paths, read settings,
convert Big5 text, host, watch and read queues, write logs and compare market
time zones. halcyon bridge carries a queue to other machines over NATS
JetStream, and halcyon metrics serve shows the queues, logs and bridges to
Prometheus. Its installation root is /usr/lib/halcyon; what it writes goes to
/var/lib/halcyon and /var/log/halcyon.]])

if(TARGET halcyon_python)
  halcyon_deb_package(python python3-halcyon python libraries
    "Python module of the HalcyonCommon library"
    [[The halcyon module lets Python programs read and write the terminal's
shared-memory queues, unpack its compressed records, convert Big5 names to GB
with the installation's table, and turn its day numbers and date texts into
datetime.date, with type hints (halcyon.pyi).]])
  # Built for one Python version's ABI (the module's name carries it).
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "python3 (>= ${HALCYON_PYTHON_VERSION}), python3 (<< ${HALCYON_PYTHON_NEXT_VERSION})")
endif()

# The tool's installation root /usr/lib/halcyon, to which /usr/bin/halcyon leads, holds the
# program and nothing the library writes: every folder the library makes or writes below a root
# is a link out of /usr. LOG leads to the system's log folder /var/log/halcyon; the others lead
# into /var/lib/halcyon (cmake/InstallLayout.cmake), which the package's postinst makes and
# its purge removes: SYS there links the library's data of /usr/share/halcyoncommon/SYS file by
# file, so that the per-market folders SYS\002A... are made beside the data, not among it.
# TEMP is each user's own temporary folder: a user link (Src/Platform/posix/files/UserLinks.h)
# that the library follows to $XDG_RUNTIME_DIR/halcyon-temp, or ~/.cache/halcyon-temp without a
# runtime folder, made 0700.
set(_links ${HALCYON_DEB_BUILD_DIR}/links)
file(MAKE_DIRECTORY ${_links}/bin)
file(CREATE_LINK ../${HALCYON_INSTALL_TOOLDIR}/halcyon ${_links}/bin/halcyon SYMBOLIC)
set(_root_links)
foreach(folder ${HALCYON_DEB_MACHINE_FOLDERS} ${HALCYON_DEB_SHARED_FOLDERS})
  file(CREATE_LINK "${HALCYON_DEB_STATE_DIR}/${folder}" "${_links}/${folder}" SYMBOLIC)
  list(APPEND _root_links "${_links}/${folder}")
endforeach()
file(CREATE_LINK /var/log/halcyon ${_links}/LOG SYMBOLIC)
file(CREATE_LINK "$XDG_RUNTIME_DIR/halcyon-temp" ${_links}/TEMP SYMBOLIC)
install(FILES ${_links}/bin/halcyon DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
install(FILES ${_root_links} ${_links}/LOG ${_links}/TEMP
        DESTINATION ${HALCYON_INSTALL_TOOL_ROOT} COMPONENT tools)
# The postinst makes the folders the links lead to, from the same lists (quoted for the shell).
foreach(kind MACHINE SHARED)
  set(HALCYON_DEB_${kind}_WORDS)
  foreach(folder ${HALCYON_DEB_${kind}_FOLDERS})
    string(APPEND HALCYON_DEB_${kind}_WORDS " \"${folder}\"")
  endforeach()
  string(STRIP "${HALCYON_DEB_${kind}_WORDS}" HALCYON_DEB_${kind}_WORDS)
endforeach()
configure_file(${HALCYON_DEB_DIR}/tools/postinst.in ${HALCYON_DEB_BUILD_DIR}/tools/postinst
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halcyoncommon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${HALCYON_DEB_MAINTAINER}")
# Each package's summary is the first line of its own description; an empty common summary keeps
# CPack from putting the project's in front of all of them.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${HALCYON_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SOURCE halcyoncommon)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The tool's own library is found in the build tree; its package is named by the component
# dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/Src)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The shlibs file of the library's package: programs built against it depend on this version.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

# The ldconfig trigger that Debian's shared library packages activate (CPack's own postinst and
# postrm call ldconfig as well, which lintian notes as redundant).
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_CONTROL_EXTRA ${HALCYON_DEB_DIR}/libraries/triggers)
set(CPACK_DEBIAN_TOOLS_PACKAGE_CONTROL_EXTRA
    ${HALCYON_DEB_BUILD_DIR}/tools/postinst ${HALCYON_DEB_DIR}/tools/postrm)

include(CPack)
