// SPDX-License-Identifier: Apache-2.0
// The codec's working state: one per thread, made on the thread's first call and freed when the
// thread ends, so that calls on different threads never share it and a call allocates nothing.
#pragma once

#include "HalcyonCommon/Coding/LzhMatchFinder.h"
#include "HalcyonCommon/Coding/LzhTree.h"

namespace halcyon::lzh {

struct LzhWorkspace {
    LzhTree tree;
    LzhMatchFinder finder;  // used by the encoder only
};

// This thread's working state; null when it cannot be allocated.
LzhWorkspace* ThreadWorkspace();

}  // namespace halcyon::lzh
