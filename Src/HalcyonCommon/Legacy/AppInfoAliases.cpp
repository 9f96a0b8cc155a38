// SPDX-License-Identifier: Apache-2.0
// The older names of the application information functions and the single-instance check; each
// calls its current function and nothing else.
#include <HalcyonCommon/AppInfo.h>
#include <HalcyonCommon/Legacy.h>
#include <HalcyonCommon/Mutex.h>

void s_TQGetAPPCopywrite(CString& strValue) { s_AppInfoGetAPPCopywrite(strValue); }
void s_TQGetAPPID(CString& strValue) { s_AppInfoGetAPPID(strValue); }
void s_TQGetAPPUserId(CString& strValue) { s_AppInfoGetAPPUserId(strValue); }
void s_TQGetAccountType(CString& strValue) { s_AppInfoGetAccountType(strValue); }
void s_TQGetBrokerID(CString& strValue) { s_AppInfoGetBrokerID(strValue); }
void s_TQGetConnectVSTAAddr(CString& strValue) { s_AppInfoGetConnectVSTAAddr(strValue); }
void s_TQGetLoginType(CString& strValue) { s_AppInfoGetLoginType(strValue); }
void s_TQGetProductDate(CString& strValue) { s_AppInfoGetProductDate(strValue); }
void s_TQGetProductID(CString& strValue) { s_AppInfoGetProductID(strValue); }
void s_TQGetProductName(CString& strValue) { s_AppInfoGetProductName(strValue); }
void s_TQGetProductType(CString& strValue) { s_AppInfoGetProductType(strValue); }
void s_TQGetProductVersion(CString& strValue) { s_AppInfoGetProductVersion(strValue); }
CString s_TQGetSystemInfoByKeyInSection(const CString& strKey, const CString& strSection) {
    return s_AppInfoGetSystemInfoByKeyInSection(strKey, strSection);
}
CString s_TQGetVersionInfoByKey(CString& strKey) { return s_AppInfoGetVersionInfoByKey(strKey); }
bool s_TQCheckPrevInstance(const char* lpszTaskName) {
    return s_AppInfoCheckPrevInstance(lpszTaskName);
}
