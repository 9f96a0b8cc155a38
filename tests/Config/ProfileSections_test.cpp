// The profile cache with many sections that share key names: the key lines of every section of a
// file are kept in one list, so a key must be found in its own section only, with its own value,
// however many sections there are and whichever of them a repeated header replaced.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using halcyon::test::MakeScratchFolder;
using halcyon::test::WindowsPath;
using halcyon::test::WriteFile;

const char kDefault[] = "<default>";

// 40 sections S0..S39, each with the keys K and Kn (n its number), K's value "v<n>"; then S7
// again with only J, and a last section T holding K.
std::string ManySections() {
    std::string text;
    for (int s = 0; s < 40; ++s) {
        std::string n = std::to_string(s);
        text += "[S" + n + "]\nK=v" + n + "\nK" + n + "=" + n + "\n";
    }
    return text + "[s7]\nJ=again\n[T]\nk=t\n";
}

TEST(ProfileSections, KeysOfTheSameNameStayInTheirSection) {
    std::string host = MakeScratchFolder("cache-sections") + "/many.ini";
    WriteFile(host, ManySections());
    const std::string file = WindowsPath(host);
    const struct {
        const char* section;
        const char* key;
        const char* want;
    } cases[] = {
        {"S0", "K", "v0"},      {"S39", "K", "v39"},      {"S21", "k", "v21"},
        {"S21", "K21", "21"},   {"S21", "K22", kDefault},  // another section's own key
        {"S7", "K", kDefault},  {"S7", "K7", kDefault},    // replaced by the second S7
        {"S7", "J", "again"},   {"S8", "J", kDefault},    {"T", "K", "t"},
        {"S40", "K", kDefault}, {"", "K", kDefault},
    };
    for (const auto& c : cases) {
        char buf[64];
        SProfileInfo::GetPrivateProfileStringA(c.section, c.key, kDefault, buf, sizeof buf,
                                               file.c_str());
        EXPECT_STREQ(buf, c.want) << "[" << c.section << "] " << c.key;
    }
    SProfileInfo::EraseObj(file.c_str());
}

}  // namespace
