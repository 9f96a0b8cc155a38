# SPDX-License-Identifier: Apache-2.0
# Where `cmake --install` puts the installation's files.
#
# The library finds its data beneath the installation root, the parent of the folder that holds
# the program (root/SYS, root/SYS/Language, root/LOG, root/TEMP). A plain install makes the prefix
# that root: the tool in <prefix>/bin, the data in <prefix>/SYS.
#
# The Debian packages (HALCYON_DEBIAN_LAYOUT, cmake/DebianPackages.cmake) install below /usr as
# Debian expects: the library's data in /usr/share/halcyoncommon/SYS, and the tool in its own
# root /usr/lib/halcyon (bin/halcyon, with /usr/bin/halcyon a link to it). Nothing is written
# below /usr at run time: each folder the library writes below the tool's root is a link, LOG to
# /var/log/halcyon and the others to the same name in /var/lib/halcyon (docs/user-guide.md);
# TEMP leads to each user's own temporary folder ($XDG_RUNTIME_DIR/halcyon-temp, docs/security.md).
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
  # The writable folders of the tool's root, in /var/lib/halcyon: machine-wide data that root
  # writes, and folders every user writes files of their own into (the package's postinst
  # makes both kinds, its purge removes them).
  set(HALCYON_DEB_STATE_DIR /var/lib/halcyon)
  set(HALCYON_DEB_MACHINE_FOLDERS DAT FTP Help FileDownload SYS)
  set(HALCYON_DEB_SHARED_FOLDERS "My Document")
else()
  set(HALCYON_INSTALL_SYSDIR SYS)
  set(HALCYON_INSTALL_TOOLDIR ${CMAKE_INSTALL_BINDIR})
  set(HALCYON_INSTALL_DOCDIR ${CMAKE_INSTALL_DOCDIR})
endif()
