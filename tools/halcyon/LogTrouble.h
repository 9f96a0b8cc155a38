// SPDX-License-Identifier: Apache-2.0
// Telling an operator why a log line was not written: the day file's path, the system's reason,
// and what to do about it.
#pragma once

#include <HalcyonCommon.h>

#include <string>

namespace halcyon::tool {

// Today's file of log `name` (its system file, or its debug file with `debug`), as the library
// names it.
CString DayFilePath(CLogFileImpl& log, const std::string& name, bool debug);

// "cannot write <host path>: <reason> (<what to do>)" for a write of log `name` that failed with
// C library error `err` (0 when unknown).
std::string LogWriteTrouble(CLogFileImpl* log, const std::string& name, bool debug, int err);

// What to do when a file in `hostFolder` could not be written with error `err`; "" when nothing
// more can be said.
std::string FolderAdvice(const std::string& hostFolder, int err);

}  // namespace halcyon::tool
