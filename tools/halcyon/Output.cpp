// SPDX-License-Identifier: Apache-2.0
#include "Output.h"

#include "Command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace halcyon::tool {

int FinishOutput(int code) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int err = errno;
    if (flushed && std::ferror(stdout) == 0) return code;
    std::fprintf(stderr, "halcyon: cannot write standard output: %s\n",
                 err != 0 ? std::strerror(err) : "an earlier write failed");
    return code == kExitOk ? kExitFailure : code;
}

}  // namespace halcyon::tool
