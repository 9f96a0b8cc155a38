// SPDX-License-Identifier: Apache-2.0
// Questions about files that the tool asks its host system before it acts.
#pragma once

#include <string>

namespace halcyon::tool {

// 0 when this user may replace the existing file `hostPath` (or it does not exist), else the C
// library's error code (EACCES for a read-only file).
int WriteAccessError(const std::string& hostPath);

// True when both names lead to the same existing file.
bool SameFile(const std::string& first, const std::string& second);

// True when `stream` (0 standard input, 1 standard output, 2 standard error) is a terminal.
bool IsTerminal(int stream);

}  // namespace halcyon::tool
