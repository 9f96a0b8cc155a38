// Application information: each function's file, section, key, default and buffer size.
#include "Lang/LangTestSupport.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace halcyon::test;

std::string SysFolder() { return RootHostPath() + "/SYS"; }

using Getter = void (*)(CString&);

struct Fact {
    Getter get;
    const char* key;
    const char* missing;  // with no version file
};

const Fact kFacts[] = {
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

TEST(AppInfo, VersionFileFacts) {
    MakeFolder(SysFolder());
    std::string version = SysFolder() + "/Version.ini";
    std::remove(version.c_str());
    for (const Fact& f : kFacts) {
        CString value("stale");
        f.get(value);
        EXPECT_EQ(std::string(value), f.missing) << f.key;
    }
    std::string ini = "[SYSTEM]\r\n";
    for (const Fact& f : kFacts) ini += std::string(f.key) + "=v-" + f.key + "\r\n";
    ini += "Long=" + std::string(300, 'x') + "\r\n";
    WriteFile(version, ini);
    for (const Fact& f : kFacts) {
        CString value;
        f.get(value);
        EXPECT_EQ(std::string(value), std::string("v-") + f.key);
        CString key(f.key);
        EXPECT_EQ(std::string(s_AppInfoGetVersionInfoByKey(key)), std::string("v-") + f.key);
    }
    CString longKey("Long");
    EXPECT_EQ(s_AppInfoGetVersionInfoByKey(longKey).GetLength(), 255);  // a 256-byte buffer
    EXPECT_EQ(std::string(s_PathGetVersionPath()), RootWindowsPath() + "\\SYS\\Version.ini");
}

TEST(AppInfo, SystemFileSettings) {
    MakeFolder(SysFolder());
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
    struct Case {
        const char* file;  // null: no user file
        const char* want;
    } cases[] = {
        {"12345678901234567890", "Account: 1234567890123456"},
        {"42", "Account: 42"},
        {"", "Account: "},
        {nullptr, "before"},
    };
    for (const Case& c : cases) {
        std::string user = SysFolder() + "/UserInfo.CFG";
        std::remove(user.c_str());
        if (c.file != nullptr) WriteFile(user, c.file);
        CString value("before");
        s_AppInfoGetAPPUserId(value);
        EXPECT_EQ(std::string(value), c.want);
    }
    s_LangUnInitialLanguageString();
}

}  // namespace
