# SPDX-License-Identifier: Apache-2.0
# The table of exports, cmake/exports.txt, is the one list of the names the library exports. On
# Linux the linker's version script is made from it here, so that the library exports exactly the
# names listed; on Windows the names marked HALCYON_API are exported, and the test
# exports.table (tests/exports) compares the built library's export table with the list on both
# systems.
#
# A line of the table is one name as `nm -C` shows it; "linux: ", "windows: ", "win64: " or
# "win32: " in front marks a name that only those builds export. Lines starting with "#" are
# comments, "[…]" starts a family.

set(HALCYON_EXPORT_TABLE ${PROJECT_SOURCE_DIR}/cmake/exports.txt)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${HALCYON_EXPORT_TABLE})

# Writes the version script for the names of the table that the Linux build exports: each as an
# exact demangled name (quoted: no wildcard), everything else local.
function(halcyon_write_version_script output)
  file(READ ${HALCYON_EXPORT_TABLE} table)
  string(PREPEND table "\n")
  string(REGEX REPLACE "\r" "" table "${table}")
  string(REGEX REPLACE "\n[ \t]*(#[^\n]*)?" "\n" table "${table}")
  string(REGEX REPLACE "\n\\[[^\n]*" "\n" table "${table}")
  string(REGEX REPLACE "\n(windows|win64|win32):[^\n]*" "\n" table "${table}")
  string(REGEX REPLACE "\nlinux:[ \t]*" "\n" table "${table}")
  string(REGEX REPLACE "\n+" "\n" table "${table}")
  string(REGEX REPLACE "\n([^\n]+)" "\n      \"\\1\";" table "${table}")
  file(CONFIGURE OUTPUT ${output} CONTENT
"/* Made from cmake/exports.txt by cmake/ExportTable.cmake: edit the table, not this file. */
HALCYON_1 {
  global:
    extern \"C++\" {${table}
    };
  local:
    *;
};
" @ONLY)
endfunction()
