// SPDX-License-Identifier: Apache-2.0
// Application information: each function's file, section, key, default and buffer size.
#include "Lang/LangTestSupport.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>
#include <utility>

namespace {

using namespace halcyon::test;

std::string SysFolder() { return RootHostPath() + "/SYS"; }

// What a getter gives into a string that held `before`.
std::string Got(void (*get)(CString&), const char* before = "stale") {
    CString value(before);
    get(value);
    return std::string(value);
}

// Each getter, its key and its value when there is no version file.
const std::tuple<void (*)(CString&), const char*, const char*> kFacts[] = {
    {s_AppInfoGetAPPCopywrite, "COPYWRITE", "TideMaster"},
    {s_AppInfoGetAPPID, "ID", "TideMaster"},
    {s_AppInfoGetProductName, "ProductName", ""},
    {s_AppInfoGetProductVersion, "Version", ""},
    {s_AppInfoGetProductDate, "ProductDate", ""},
    {s_AppInfoGetProductID, "ProductID", ""},
    {s_AppInfoGetProductType, "ProductType", ""},
    {s_AppInfoGetAccountType, "AccountType", ""},
    {s_AppInfoGetLoginType, "LoginType", ""},
};

// The version file's facts, the system file's settings and the user file: each function's file,
// section, key, default and buffer size.
TEST(AppInfo, VersionSystemAndUserFiles) {
    MakeFolder(SysFolder());
    std::string version = SysFolder() + "/Version.ini";
    std::remove(version.c_str());
    for (auto [get, key, missing] : kFacts) EXPECT_EQ(Got(get), missing) << key;
    std::string ini = "[SYSTEM]\r\n";
    for (auto [get, key, missing] : kFacts) ini += std::string(key) + "=v-" + key + "\r\n";
    ini += "Long=" + std::string(300, 'x') + "\r\n";
    WriteFile(version, ini);
    for (auto [get, key, missing] : kFacts) EXPECT_EQ(Got(get), std::string("v-") + key);
    CString longKey("Long");
    EXPECT_EQ(s_AppInfoGetVersionInfoByKey(longKey).GetLength(), 255);  // a 256-byte buffer
    EXPECT_EQ(std::string(s_PathGetVersionPath()), RootWindowsPath() + "\\SYS\\Version.ini");

    WriteFile(SysFolder() + "/System.INI", "[CONFIG]\r\nBrokerID=" + std::string(300, 'b') +
                                               "\r\n[NetPlatForm]\r\nVSTAAddr=10.0.0.1:7000\r\n");
    EXPECT_EQ(Got(s_AppInfoGetBrokerID).size(), 260u);  // a 261-byte buffer
    EXPECT_EQ(s_AppInfoGetSystemInfoByKeyInSection("BrokerID", "CONFIG").GetLength(), 255);
    EXPECT_EQ(Got(s_AppInfoGetConnectVSTAAddr), "10.0.0.1:7000");
    EXPECT_EQ(std::string(s_AppInfoGetSystemInfoByKeyInSection("None", "CONFIG")), "");

    // The account label: the language's text and the user file's first 16 bytes.
    WriteLanguageSettings();
    WriteLanguageFile("Test.lng", "[DIALOG-ABOUTBOX]\r\nIDS_DIALOG-ABOUTBOX_ACCOUNT=Account:\r\n");
    s_LangUnInitialLanguageString();
    ASSERT_TRUE(s_LangInitialLanguageString());
    // The user file (null: none) and the label.
    const std::pair<const char*, const char*> cases[] = {
        {"12345678901234567890", "Account: 1234567890123456"},
        {"", "Account: "},
        {nullptr, "before"},
    };
    for (auto [file, want] : cases) {
        std::string user = SysFolder() + "/UserInfo.CFG";
        std::remove(user.c_str());
        if (file != nullptr) WriteFile(user, file);
        EXPECT_EQ(Got(s_AppInfoGetAPPUserId, "before"), want);
    }
    s_LangUnInitialLanguageString();
}

}  // namespace
