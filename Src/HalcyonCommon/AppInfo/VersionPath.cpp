// SPDX-License-Identifier: Apache-2.0
// The version file's path, computed once per process.
#include <HalcyonCommon/AppInfo.h>
#include <HalcyonCommon/Paths.h>

#include "Platform/common/NeverDestroyed.h"

CString s_PathGetVersionPath() {
    static halcyon::NeverDestroyed<CString> path(s_PathGetSysPath(0) + "\\Version.ini");
    return *path;
}
