// SPDX-License-Identifier: Apache-2.0
#include "Installation.h"

#include "Errors.h"

#include <HalcyonCommon/Paths.h>
#include <Platform/Host.h>

#include <filesystem>
#include <system_error>

namespace halcyon::python {

std::string InstallationRoot() { return s_PathGetMainPath().str(); }

std::string InstallationHostRoot() { return halcyon::HostPath(InstallationRoot().c_str()); }

bool IsInstallation() {
    std::string sys = halcyon::HostPath((InstallationRoot() + "\\SYS").c_str());
    std::error_code error;
    return !sys.empty() && std::filesystem::is_directory(sys, error);
}

void RequireInstallation(const char* what) {
    if (IsInstallation()) return;
    RaiseInstallationError(
        std::string(what) + " needs an installation root, and this Python's root " +
        InstallationHostRoot() +
        " (the interpreter's folder, or its parent when that is named BIN) holds no SYS folder: "
        "run Python from the installation's BIN folder (see docs/python.md)");
}

}  // namespace halcyon::python
