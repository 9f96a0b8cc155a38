// SPDX-License-Identifier: Apache-2.0
/// \file
/// HalcyonCommon: the common utility library of the Halcyon terminal.
///
/// Every exported function, class and data object, under its documented name, in the global
/// namespace, with the stand-in types they use (CString, CStringArray, …).
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/AfxResource.h>
#include <Platform/CCriticalSection.h>
#include <Platform/CFile.h>
#include <Platform/CFileException.h>
#include <Platform/CFileFind.h>
#include <Platform/CObList.h>
#include <Platform/CObject.h>
#include <Platform/COleDateTime.h>
#include <Platform/CString.h>
#include <Platform/CStringArray.h>
#include <Platform/CWnd.h>
#include <Platform/Host.h>

#include <HalcyonCommon/AppInfo.h>
#include <HalcyonCommon/Coding.h>
#include <HalcyonCommon/Convert.h>
#include <HalcyonCommon/Dates.h>
#include <HalcyonCommon/Diag.h>
#include <HalcyonCommon/JulianDay.h>
#include <HalcyonCommon/Lang.h>
#include <HalcyonCommon/Legacy.h>
#include <HalcyonCommon/Mutex.h>
#include <HalcyonCommon/Paths.h>
#include <HalcyonCommon/Profile.h>
#include <HalcyonCommon/QueueKinds.h>
#include <HalcyonCommon/QueueWaits.h>
#include <HalcyonCommon/Queues.h>
#include <HalcyonCommon/Scrambler.h>
#include <HalcyonCommon/SharedMemory.h>
#include <HalcyonCommon/TimeZone.h>
#include <HalcyonCommon/WinHelpers.h>

#include <NimbusLog/LogFileImpl.h>
#include <NimbusLog/LogRegistry.h>
#include <NimbusLog/SystemLog.h>
