// SPDX-License-Identifier: Apache-2.0
#include "LogTrouble.h"

#include <io.h>

#include <cerrno>

namespace halcyon::tool {

std::string FolderAdvice(const std::string& hostFolder, int err) {
    if (_access(hostFolder.c_str(), 2) != 0) return "this user may not write to " + hostFolder;
    if (err == EACCES) return "another process writes this log's file today";
    if (err == ENOSPC) return "the disk is full";
    return "";
}

}  // namespace halcyon::tool
