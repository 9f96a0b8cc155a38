// halcyon lang and halcyon appinfo, run from an installation: the test root, with the tool placed
// in its BIN folder and the committed conversion table in its language folder.
#include "Lang/LangTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test;

TEST(LangCommand, ConvertsLooksUpAndLists) {
    WriteLanguageSettings();
    WriteLanguageFile("Test.lng",
                      "[LANG]\r\nIDS_LANG_ONE=One\r\nIDS_LANG_TWO=Two\r\n"
                      "[MAIN]\r\nIDS_MAIN_TITLE=Halcyon\\nTerminal\r\n"
                      "[DIALOG-ABOUTBOX]\r\nIDS_DIALOG-ABOUTBOX_ACCOUNT=Acct:\r\n");
    WriteLanguageFile("BIG5-GB.TAB",
                      ReadFile(std::string(HALCYON_SOURCE_DIR) + "/data/BIG5-GB.TAB"));
    std::string sys = RootHostPath() + "/SYS";
    MakeFolder(sys);
    WriteFile(sys + "/UserInfo.CFG", "A123");
    WriteFile(sys + "/Version.ini", "[SYSTEM]\r\nProductName=Nimbus\r\n");
    std::string tool =
        PlaceProgram(std::string(HALCYON_TOOL_PATH), RootHostPath() + "/BIN", "halcyon-lang");
    ASSERT_FALSE(tool.empty());
    std::string big5 = RootHostPath() + "/big5.txt";
    WriteFile(big5, "\xBB\x4F\xC6\x57 ok\n\xB0\xEA\n");  // 臺灣 ok / 國
    struct Case {
        std::string args;
        int status;
        std::string want;  // the start of standard output
    } cases[] = {
        {"lang convert \"" + big5 + "\"", 0, "\xCC\xA8\xCD\xE5 ok\n\xB9\xFA\n"},  // 台湾 / 国
        {"lang get IDS_MAIN_TITLE", 0, "Halcyon\r\nTerminal\n"},
        {"lang list", 0, "selected 2\n1 One\n2 Two\n"},
        {"lang", 2, ""},
        {"lang get", 2, ""},
        {"lang convert /no/such/file", 1, ""},
        {"appinfo", 0, "product         Nimbus\n"},
    };
    for (const Case& c : cases) {
        std::string out;
        int status = RunCommand("\"" + tool + "\" " + c.args, out);
        EXPECT_EQ(status, c.status) << c.args << "\n" << out;
        if (c.status == 0) {
            EXPECT_EQ(out.substr(0, c.want.size()), c.want) << c.args;
        }
    }
    std::string out;
    RunCommand("\"" + tool + "\" appinfo", out);
    EXPECT_NE(out.find("account         Acct: A123"), std::string::npos) << out;
}

}  // namespace
