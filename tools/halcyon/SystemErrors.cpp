// SPDX-License-Identifier: Apache-2.0
#include "SystemErrors.h"

#include <cerrno>
#include <cstring>

namespace halcyon::tool {
namespace {

struct Reason {
    unsigned long error;
    int err;           // the C library's error of the same meaning, or 0
    const char* text;  // where it has none
};

const Reason kReasons[] = {
    {2, ENOENT, nullptr},  // file not found
    {3, ENOENT, nullptr},  // path not found
    {4, EMFILE, nullptr},  // too many open files
    {5, EACCES, nullptr},  // access denied
    {8, ENOMEM, nullptr},  // not enough memory
    {19, EROFS, nullptr},  // write protected
    {32, 0, "the file is in use by another process"},
    {33, 0, "a part of the file is locked by another process"},
    {50, EOPNOTSUPP, nullptr},  // not supported
    {80, EEXIST, nullptr},      // file exists
    {87, EINVAL, nullptr},      // invalid parameter
    {112, ENOSPC, nullptr},     // disk full
    {123, 0, "the name holds characters a file name may not"},
    {183, EEXIST, nullptr},        // already exists
    {206, ENAMETOOLONG, nullptr},  // file name too long
    {267, ENOTDIR, nullptr},       // not a directory
};

}  // namespace

std::string ReasonOfError(unsigned long error) {
    for (const Reason& reason : kReasons) {
        if (reason.error != error) continue;
        return reason.text != nullptr ? reason.text : std::strerror(reason.err);
    }
    return "system error " + std::to_string(error);
}

}  // namespace halcyon::tool
