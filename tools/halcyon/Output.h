// SPDX-License-Identifier: Apache-2.0
// The end of every command: what it wrote to standard output must have arrived.
#pragma once

namespace halcyon::tool {

// Flushes standard output and checks it: `code` when everything written reached it, otherwise a
// message naming the reason on standard error and kExitFailure (a full disk, a closed pipe).
int FinishOutput(int code);

}  // namespace halcyon::tool
