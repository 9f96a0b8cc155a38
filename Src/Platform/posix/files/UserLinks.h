// SPDX-License-Identifier: Apache-2.0
// Links that lead each user to a folder of that user's own.
//
// An installation that several users share (the Debian package's, below /usr) cannot give them
// one TEMP folder: what one user's processes keep there is no business of the others'. Its TEMP
// is a symbolic link whose target starts with a variable, "$XDG_RUNTIME_DIR/halcyon-temp". The
// kernel cannot follow such a link; the stand-in follows it when it turns a Windows path into a
// host path, to the folder of the user it runs as:
//
//   $XDG_RUNTIME_DIR  the variable when it names a folder of the caller's closed to others
//                     (mode 0700, as the login manager makes it), else the user's cache folder;
//   $XDG_CACHE_HOME   the variable when it is an absolute path, else $HOME/.cache;
//   $HOME             the variable when it is an absolute path, else the home folder of the
//                     password database.
//
// What the rest of the target names below that folder is made (mode 0700) when it is missing.
#pragma once

#include <string>

namespace win::posix {

// When host path `path` is a symbolic link whose target starts with one of the variables above:
// sets `folder` to the folder it leads to for the caller (made when missing) and returns true.
// False for anything else, and when the variable cannot be had.
bool FollowUserLink(const std::string& path, std::string& folder);

}  // namespace win::posix
