// SPDX-License-Identifier: Apache-2.0
// The installation root of this Python process, and the check made before any call that creates
// folders or files beneath it.
//
// The library takes the root from the running program: the interpreter's folder, or its parent
// when that folder is named BIN. For /usr/bin/python3 that is /usr, which is no installation:
// calls that would create folders there (hosting the registry, creating a queue, the folder
// functions) raise InstallationError instead. A Python that works with an installation runs from
// its BIN folder (docs/python.md shows how).
#pragma once

#include <string>

namespace halcyon::python {

// The root as the library names it ("Z:\opt\nimbus"), and the host's path of it.
std::string InstallationRoot();
std::string InstallationHostRoot();

// True when the root holds a SYS folder, as every installation does.
bool IsInstallation();

// Raises InstallationError, naming `what` and the fix, unless IsInstallation().
void RequireInstallation(const char* what);

}  // namespace halcyon::python
