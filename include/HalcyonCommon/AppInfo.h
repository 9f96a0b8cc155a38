/// \file
/// Facts about the installed product, read from small profile files in `root\SYS` on every
/// call: Version.ini (section "SYSTEM"), System.INI ("CONFIG", "NetPlatForm", any section) and
/// UserInfo.CFG (the account identifier, its first 16 bytes). A missing file, section or key gives
/// the default: "TideMaster" for the copyright and the application id, otherwise "". Any thread
/// may call.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CString.h>

/// `root\SYS\Version.ini`, computed once per process.
HALCYON_API CString s_PathGetVersionPath();

/// The facts by name, read as described at the top of this file.
///@{
HALCYON_API void s_AppInfoGetAPPCopywrite(CString& strValue);
HALCYON_API void s_AppInfoGetAPPID(CString& strValue);
HALCYON_API void s_AppInfoGetProductName(CString& strValue);
HALCYON_API void s_AppInfoGetProductVersion(CString& strValue);
HALCYON_API void s_AppInfoGetProductDate(CString& strValue);
HALCYON_API void s_AppInfoGetProductID(CString& strValue);
HALCYON_API void s_AppInfoGetProductType(CString& strValue);
HALCYON_API void s_AppInfoGetAccountType(CString& strValue);
HALCYON_API void s_AppInfoGetLoginType(CString& strValue);
HALCYON_API CString s_AppInfoGetVersionInfoByKey(CString& strKey);
HALCYON_API void s_AppInfoGetBrokerID(CString& strValue);
HALCYON_API CString s_AppInfoGetSystemInfoByKeyInSection(const CString& strKey,
                                                         const CString& strSection);
///@}
/// The address of the market-data platform server, as the system file holds it.
HALCYON_API void s_AppInfoGetConnectVSTAAddr(CString& strValue);
/// The localised label of "IDS_DIALOG-ABOUTBOX_ACCOUNT", a blank and the account identifier;
/// strValue is left as it was when UserInfo.CFG cannot be opened.
HALCYON_API void s_AppInfoGetAPPUserId(CString& strValue);
