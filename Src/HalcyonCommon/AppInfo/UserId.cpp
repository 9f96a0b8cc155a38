// SPDX-License-Identifier: Apache-2.0
// The account label: the localised caption and the account identifier of UserInfo.CFG.
#include <HalcyonCommon/AppInfo.h>
#include <HalcyonCommon/Lang.h>
#include <HalcyonCommon/Paths.h>
#include <Platform/CFile.h>

namespace {

constexpr unsigned int kAccountLength = 16;

}  // namespace

void s_AppInfoGetAPPUserId(CString& strValue) {
    CString path;
    path.Format("%s\\UserInfo.CFG", static_cast<const char*>(s_PathGetSysPath(0)));
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareExclusive | CFile::typeBinary)) return;
    char account[kAccountLength + 1] = {};
    try {
        file.Read(account, kAccountLength);
        file.Close();
    } catch (CFileException* e) {
        e->Delete();
        return;
    }
    CString label = s_LangGetLangString(CString("IDS_DIALOG-ABOUTBOX_ACCOUNT"));
    strValue.Format("%s %s", static_cast<const char*>(label), account);
}
