// SPDX-License-Identifier: Apache-2.0
// The C runtime's time and listing functions at the stand-in's own edges (the rest is the
// conformance table Crt's): the range _localtime64_s converts and read-only files in a listing.
#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#if HALCYON_STAND_IN
#include <sys/stat.h>
#endif

namespace {

using namespace halcyon::test;

// The stand-in's own edges: the last second _localtime64_s converts (the runtime's _MAX__TIME64_T
// and 14 hours; Wine's stops at 3000-12-31 23:59:59 UTC), and a read-only file, which the stand-in
// knows by its owner's write permission.
TEST(CrtCalls, LocalTimeRangeAndReadOnlyListings) {
    if (!HALCYON_STAND_IN) GTEST_SKIP() << "the stand-in's range and permissions";
    for (const auto& [seconds, error] :
         {std::pair<win::time64_t, int>{32536850399LL, 0}, {32536850400LL, EINVAL}}) {
        std::tm tm{};
        EXPECT_EQ(win::_localtime64_s(&tm, &seconds), error) << seconds;
        EXPECT_EQ(tm.tm_year < 0, error != 0) << seconds << ": -1 in every field on failure";
    }
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
