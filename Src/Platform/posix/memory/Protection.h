// SPDX-License-Identifier: Apache-2.0
// The page protections of file mappings and views, which both the mappings and their views
// look at.
#pragma once

#include "Platform/posix/kernel/KernelObjects.h"

namespace win::posix::kernel {

constexpr DWORD kPageExecute = 0x10;
constexpr DWORD kPageExecuteRead = 0x20;
constexpr DWORD kPageExecuteReadWrite = 0x40;
constexpr DWORD kPageExecuteWriteCopy = 0x80;

// A mapping's protection lets views write its bytes.
inline bool Writable(DWORD protect) {
    return protect == PAGE_READWRITE || protect == kPageExecuteReadWrite;
}

// A mapping's protection lets views run its bytes.
inline bool Executable(DWORD protect) {
    return protect == kPageExecuteRead || protect == kPageExecuteReadWrite ||
           protect == kPageExecuteWriteCopy;
}

}  // namespace win::posix::kernel
