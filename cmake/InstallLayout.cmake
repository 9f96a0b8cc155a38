# Where `cmake --install` puts the installation's files.
#
# The library finds its data beneath the installation root, the parent of the folder that holds
# the program (root/SYS, root/SYS/Language, root/LOG, root/TEMP). A plain install makes the prefix
# that root: the tool in <prefix>/bin, the data in <prefix>/SYS.
#
# The Debian packages (HALCYON_DEBIAN_LAYOUT, cmake/DebianPackages.cmake) install below /usr as
# Debian expects: the library's data in /usr/share/halcyoncommon/SYS, and the tool in its own
# root /usr/lib/halcyon (bin/halcyon, with /usr/bin/halcyon a link to it), whose SYS is a link to
# the library's data, LOG a link to /var/log/halcyon and TEMP a link to each user's own temporary
# folder ($XDG_RUNTIME_DIR/halcyon-temp, see docs/security.md).
#
# Either way the headers live in a folder of their own, <includedir>/halcyoncommon, which the
# CMake package and the pkg-config file put on the include path: `#include <HalcyonCommon.h>`.
option(HALCYON_DEBIAN_LAYOUT "Install below /usr as the Debian packages do" OFF)

set(HALCYON_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/halcyoncommon)
if(HALCYON_DEBIAN_LAYOUT)
  set(HALCYON_INSTALL_SYSDIR ${CMAKE_INSTALL_DATADIR}/halcyoncommon/SYS)
  set(HALCYON_INSTALL_TOOL_ROOT lib/halcyon)
  set(HALCYON_INSTALL_TOOLDIR ${HALCYON_INSTALL_TOOL_ROOT}/bin)
  # The development package's documentation folder holds the guides and the API reference.
  set(HALCYON_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/libhalcyoncommon-dev)
else()
  set(HALCYON_INSTALL_SYSDIR SYS)
  set(HALCYON_INSTALL_TOOLDIR ${CMAKE_INSTALL_BINDIR})
  set(HALCYON_INSTALL_DOCDIR ${CMAKE_INSTALL_DOCDIR})
endif()
