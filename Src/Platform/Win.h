// SPDX-License-Identifier: Apache-2.0
// The seam between the library and the operating system.
//
// Library code calls Windows functions as win::Name and uses the Windows constants (ERROR_…,
// MAX_PATH, WAIT_…) as they are spelled there. On Windows the names are the system's own; on
// Linux they are the stand-in's, with the same types, results and GetLastError codes.
#pragma once

#if defined(_WIN32)
#include "Platform/win32/WinSeam.h"
#else
#include "Platform/posix/base/CodePage.h"
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/WinTypes.h"
#include "Platform/posix/crt/Crt.h"
#include "Platform/posix/crt/CrtFind.h"
#include "Platform/posix/crt/CrtMbstring.h"
#include "Platform/posix/crt/CrtTime.h"
#include "Platform/posix/desktop/Desktop.h"
#include "Platform/posix/files/FileIo.h"
#include "Platform/posix/files/Files.h"
#include "Platform/posix/files/FindFiles.h"
#include "Platform/posix/handles/Handles.h"
#include "Platform/posix/kernel/KernelObjects.h"
#include "Platform/posix/memory/Memory.h"
#include "Platform/posix/profile/Profile.h"
#include "Platform/posix/time/Time.h"
#include "Platform/posix/time/TimeZone.h"
#endif
