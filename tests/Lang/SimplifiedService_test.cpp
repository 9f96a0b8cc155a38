// Which markets convert: the language number and the list of Simplified markets. The list and
// the language number are kept for a process's life, so each case runs in a child process.
#include "Lang/LangTestSupport.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace halcyon::test;

// Child: reads the list twice when asked (args[0] == "twice") and prints the results, then
// whether markets 0, 0x0A, 0x0B, 0x0C and 0x1B convert.
int ServiceRole(const std::vector<std::string>& args) {
    bool first = s_LangInitSupportSimplifiedService();
    bool second = !args.empty() && args[0] == "twice" ? s_LangInitSupportSimplifiedService() : 1;
    std::printf("%d%d ", first, second);
    for (unsigned char market : {0x00, 0x0A, 0x0B, 0x0C, 0x1B}) {
        std::printf("%d", s_LangIsConvertToSimplified(market));
    }
    std::printf("\n");
    return 0;
}
const ChildRole kServiceRole("lang-service", ServiceRole);

TEST(SimplifiedService, ListAndLanguageDecideWhichMarketsConvert) {
    struct Case {
        const char* lang;
        const char* list;  // null: no Application.ini
        const char* mode;
        const char* want;
    } cases[] = {
        {"2", "0A, 1B", "", "11 10110"}, {"2", "0a 1b", "twice", "11 10110"},
        {"2", "0A,1", "", "01 11111"},  // a one-character code: nothing is listed
        {"2", nullptr, "", "11 11111"},  {"2", "  ,,0B,, ", "", "11 11011"},
        {"2", "ZZ", "", "11 11111"},  // not hex: counts as 00, which never stops market 0
        {"1", "0A", "", "11 00000"},  // only language 2 converts
    };
    std::string sys = RootHostPath() + "/SYS";
    MakeFolder(sys);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lang) + " / " + (c.list != nullptr ? c.list : "none"));
        WriteLanguageSettings(c.lang);
        std::remove((sys + "/Application.ini").c_str());
        if (c.list != nullptr) {
            WriteFile(sys + "/Application.ini",
                      std::string("[LANG_Service]\r\nSimplified_Service=") + c.list + "\r\n");
        }
        std::string out;
        ASSERT_EQ(RunCommand(ChildCommand("lang-service") + " " + c.mode, out), 0) << out;
        EXPECT_EQ(out, std::string(c.want) + "\n");
    }
    WriteLanguageSettings();
}

}  // namespace
