// The version file's path, computed once per process.
#include <HalcyonCommon/AppInfo.h>
#include <HalcyonCommon/Paths.h>

CString s_PathGetVersionPath() {
    static const CString path = s_PathGetSysPath(0) + "\\Version.ini";
    return path;
}
