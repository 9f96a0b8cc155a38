// SPDX-License-Identifier: Apache-2.0
// The C runtime's listings at the stand-in's own edge: read-only files.
#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#if HALCYON_STAND_IN
#include <sys/stat.h>
#endif

namespace {

using namespace halcyon::test;

// A read-only file, which the stand-in knows by its owner's write permission. (The rest: the
// conformance table Crt.)
TEST(CrtCalls, ReadOnlyListings) {
    if (!HALCYON_STAND_IN) GTEST_SKIP() << "the stand-in's permissions";
    std::string folder = MakeScratchFolder("crt-find");
    WriteFile(folder + "/ro.txt", "x");
#if HALCYON_STAND_IN
    ASSERT_EQ(chmod((folder + "/ro.txt").c_str(), 0444), 0);
#endif
    win::_finddata64i32_t data;
    std::intptr_t search = win::_findfirst64i32((WindowsPath(folder) + "\\ro.txt").c_str(), &data);
    ASSERT_NE(search, -1);
    EXPECT_EQ(data.attrib & (_A_SUBDIR | _A_RDONLY), unsigned{_A_RDONLY});
    win::_findclose(search);
}

}  // namespace
