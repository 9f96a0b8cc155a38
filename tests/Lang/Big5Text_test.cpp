// _mbstok in code page 950, where a character's trail byte may be a delimiter such as "\".
#include "Lang/LangTestSupport.h"

#include "Platform/Win.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace halcyon::test;

// Child: the tokens of a text split with _mbstok, each followed by "|".
int MbstokRole(const std::vector<std::string>&) {
    char text[] = "  alpha, beta;;gamma ,\xA5\x5Cx";
    auto* delimiters = reinterpret_cast<const unsigned char*>(" ,;\\");
    for (unsigned char* t = win::_mbstok(reinterpret_cast<unsigned char*>(text), delimiters);
         t != nullptr; t = win::_mbstok(nullptr, delimiters)) {
        std::printf("%s|", reinterpret_cast<char*>(t));
    }
    return 0;
}
const ChildRole kMbstokRole("mbstok", MbstokRole);

TEST(Big5Text, MbstokSkipsTrailBytes) {
#if HALCYON_STAND_IN
    const std::pair<const char*, const char*> cases[] = {{"950", "alpha|beta|gamma|\xA5\x5Cx|"},
                                                         {"1252", "alpha|beta|gamma|\xA5|x|"}};
    for (const auto& [codePage, want] : cases) {
        std::string out;
        ASSERT_EQ(RunCommand(std::string("env HALCYON_CODEPAGE=") + codePage + " " +
                                 ChildCommand("mbstok"),
                             out),
                  0);
        EXPECT_EQ(out, want) << codePage;
    }
#else
    GTEST_SKIP() << "HALCYON_CODEPAGE is a setting of the Linux stand-in";
#endif
}

}  // namespace
