/// \file
/// The process's logs by name: every module that asks for a name gets the same object, so that
/// one process has one open file and one lock per log.
#pragma once

#include <HalcyonCommon/Export.h>
#include <NimbusLog/SystemLog.h>
#include <Platform/CString.h>

/// The system log named strName (names are case-sensitive), made and initialised on the first
/// request; null only when it cannot be made. The library owns it until it unloads.
HALCYON_API CSystemLog* s_NimbusLogGetSystemLogObj(const CString& strName);

/// The same for debug logs; a debug log and a system log of one name are different objects.
HALCYON_API CDebugLog* s_NimbusLogGetDebugLogObj(const CString& strName);
