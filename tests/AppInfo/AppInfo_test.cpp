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

// The version file's facts and the system file's settings: each function's file, section, key,
// default and buffer size.
TEST(AppInfo, VersionAndSystemFiles) {
    MakeFolder(SysFolder());
    std::string version = SysFolder() + "/Version.ini";
    std::remove(version.c_str());
    for (auto [get, key, missing] : kFacts) {
        CString value("stale");
        get(value);
        EXPECT_EQ(std::string(value), missing) << key;
    }
    std::string ini = "[SYSTEM]\r\n";
    for (auto [get, key, missing] : kFacts) ini += std::string(key) + "=v-" + key + "\r\n";
    ini += "Long=" + std::string(300, 'x') + "\r\n";
    WriteFile(version, ini);
    for (auto [get, key, missing] : kFacts) {
        CString value;
        get(value);
        EXPECT_EQ(std::string(value), std::string("v-") + key);
    }
    CString longKey("Long");
    EXPECT_EQ(s_AppInfoGetVersionInfoByKey(longKey).GetLength(), 255);  // a 256-byte buffer
    EXPECT_EQ(std::string(s_PathGetVersionPath()), RootWindowsPath() + "\\SYS\\Version.ini");

    std::string value300(300, 'b');
    WriteFile(SysFolder() + "/System.INI", "[CONFIG]\r\nBrokerID=" + value300 +
                                               "\r\n[NetPlatForm]\r\nVSTAAddr=10.0.0.1:7000\r\n");
    CString broker;
    s_AppInfoGetBrokerID(broker);
    EXPECT_EQ(broker.GetLength(), 260);  // a 261-byte buffer
    EXPECT_EQ(s_AppInfoGetSystemInfoByKeyInSection("BrokerID", "CONFIG").GetLength(), 255);
    CString address;
    s_AppInfoGetConnectVSTAAddr(address);
    EXPECT_EQ(std::string(address), "10.0.0.1:7000");
    EXPECT_EQ(std::string(s_AppInfoGetSystemInfoByKeyInSection("None", "CONFIG")), "");
}

TEST(AppInfo, AccountLabel) {
    MakeFolder(SysFolder());
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
        CString value("before");
        s_AppInfoGetAPPUserId(value);
        EXPECT_EQ(std::string(value), want);
    }
    s_LangUnInitialLanguageString();
}

}  // namespace
