// Language files in Big5 under code page 950, where a character's trail byte may be a backslash,
// "[", "]", "_" or "|": no parser may cut a character in two.
#include "Lang/LangTestSupport.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace halcyon::test;

// Child: loads Test.lng and prints the values of the keys given, one per line, with "|" after.
int Big5Role(const std::vector<std::string>& keys) {
    s_LangInitialLanguageString();
    for (const std::string& key : keys) {
        std::printf("%s|\n", static_cast<const char*>(s_LangGetLangString(CString(key.c_str()))));
    }
    return 0;
}
const ChildRole kBig5Role("lang-big5", Big5Role);

// Child: the tokens of a text split with _mbstok, each followed by "|".
int MbstokRole(const std::vector<std::string>&) {
    char text[] =
        "  alpha, beta;;gamma ,\xA5\x5C"
        "x";
    auto* delimiters = reinterpret_cast<const unsigned char*>(" ,;\\");
    for (unsigned char* t = win::_mbstok(reinterpret_cast<unsigned char*>(text), delimiters);
         t != nullptr; t = win::_mbstok(nullptr, delimiters)) {
        std::printf("%s|", reinterpret_cast<char*>(t));
    }
    std::printf("\n");
    return 0;
}
const ChildRole kMbstokRole("mbstok", MbstokRole);

TEST(Big5Text, ParsersKeepDoubleByteCharacters) {
#if HALCYON_STAND_IN
    WriteLanguageSettings();
    // 功 is A5 5C and 許 B3 5C (trail "\"), AC 5B has the trail "[", 乜 A4 5F the trail "_".
    WriteLanguageFile("Test.lng",
                      "[MAIN]\r\n"
                      "IDS_MAIN_A=\xA5\x5Cn\r\n"    // 功 then "n": no line break
                      "IDS_MAIN_B=\xB3\x5C\\n\r\n"  // 許 then a real "\n"
                      "IDS_MAIN_C=x\r\n"
                      "[\xA4\x5F]\r\n"                 // a section named 乜
                      "IDS_\xA4\x5F_K=\xAC\x5B\r\n");  // the key's "_" inside 乜
    std::string out;
    std::string command = "env HALCYON_CODEPAGE=950 " + ChildCommand("lang-big5") +
                          " IDS_MAIN_A IDS_MAIN_B IDS_MAIN_C IDS_\xA4\x5F_K";
    ASSERT_EQ(RunCommand(command, out), 0) << out;
    EXPECT_EQ(out,
              "\xA5\x5Cn|\n"
              "\xB3\x5C\r\n|\n"
              "x|\n"
              "\xAC\x5B|\n");
#else
    GTEST_SKIP() << "HALCYON_CODEPAGE is a setting of the Linux stand-in";
#endif
}

TEST(Big5Text, MbstokSkipsTrailBytes) {
#if HALCYON_STAND_IN
    std::string out;
    ASSERT_EQ(RunCommand("env HALCYON_CODEPAGE=950 " + ChildCommand("mbstok"), out), 0);
    EXPECT_EQ(out,
              "alpha|beta|gamma|\xA5\x5C"
              "x|\n");
    ASSERT_EQ(RunCommand("env HALCYON_CODEPAGE=1252 " + ChildCommand("mbstok"), out), 0);
    EXPECT_EQ(out, "alpha|beta|gamma|\xA5|x|\n");
#else
    GTEST_SKIP() << "HALCYON_CODEPAGE is a setting of the Linux stand-in";
#endif
}

}  // namespace
