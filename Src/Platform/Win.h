// The seam between the library and the operating system.
//
// Library code calls Windows functions as win::Name and uses the Windows constants (ERROR_…,
// MAX_PATH, WAIT_…) as they are spelled there. On Windows the names are the system's own; on
// Linux they are the stand-in's, with the same types, results and GetLastError codes.
#pragma once

#if defined(_WIN32)
#include "win32/WinSeam.h"
#else
#include "posix/CodePage.h"
#include "posix/Crt.h"
#include "posix/CrtFind.h"
#include "posix/CrtMbstring.h"
#include "posix/CrtTime.h"
#include "posix/Desktop.h"
#include "posix/Errors.h"
#include "posix/FileIo.h"
#include "posix/Files.h"
#include "posix/FindFiles.h"
#include "posix/KernelObjects.h"
#include "posix/Memory.h"
#include "posix/Profile.h"
#include "posix/Time.h"
#include "posix/TimeZone.h"
#include "posix/WinTypes.h"
#endif
