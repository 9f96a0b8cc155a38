// SPDX-License-Identifier: Apache-2.0
// The product facts of the version file and the settings of the system file.
#include <HalcyonCommon/AppInfo.h>
#include <HalcyonCommon/Paths.h>

#include "Platform/Win.h"

#include <vector>

namespace {

constexpr const char* kProductName = "TideMaster";
constexpr win::DWORD kValueSize = 256;
constexpr win::DWORD kSystemValueSize = 261;

CString ReadValue(const char* section, const char* key, const char* defaultValue, win::DWORD size,
                  const CString& file) {
    std::vector<char> value(size, '\0');
    win::GetPrivateProfileStringA(section, key, defaultValue, value.data(), size, file);
    return CString(value.data());
}

CString Version(const char* key, const char* defaultValue = "") {
    return ReadValue("SYSTEM", key, defaultValue, kValueSize, s_PathGetVersionPath());
}

CString SystemFile(const char* format) {
    CString path;
    path.Format(format, static_cast<const char*>(s_PathGetSysPath(0)));
    return path;
}

}  // namespace

void s_AppInfoGetAPPCopywrite(CString& strValue) { strValue = Version("COPYWRITE", kProductName); }
void s_AppInfoGetAPPID(CString& strValue) { strValue = Version("ID", kProductName); }
void s_AppInfoGetProductName(CString& strValue) { strValue = Version("ProductName"); }
void s_AppInfoGetProductVersion(CString& strValue) { strValue = Version("Version"); }
void s_AppInfoGetProductDate(CString& strValue) { strValue = Version("ProductDate"); }
void s_AppInfoGetProductID(CString& strValue) { strValue = Version("ProductID"); }
void s_AppInfoGetProductType(CString& strValue) { strValue = Version("ProductType"); }
void s_AppInfoGetAccountType(CString& strValue) { strValue = Version("AccountType"); }
void s_AppInfoGetLoginType(CString& strValue) { strValue = Version("LoginType"); }

CString s_AppInfoGetVersionInfoByKey(CString& strKey) { return Version(strKey); }

void s_AppInfoGetBrokerID(CString& strValue) {
    strValue = ReadValue("CONFIG", "BrokerID", "", kSystemValueSize, SystemFile("%s\\SYSTEM.INI"));
}

void s_AppInfoGetConnectVSTAAddr(CString& strValue) {
    strValue =
        ReadValue("NetPlatForm", "VSTAAddr", "", kSystemValueSize, SystemFile("%s\\System.INI"));
}

CString s_AppInfoGetSystemInfoByKeyInSection(const CString& strKey, const CString& strSection) {
    return ReadValue(strSection, strKey, "", kValueSize, SystemFile("%s\\System.INI"));
}
