// The verify log's line for each failed argument check of the conversions: the terminal's tools
// find them by the module "tqutil" and a line that does not move with the source file.
#include "support/VerifyLog.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using halcyon::test::VerifyLog;

TEST(CastVerifySource, EachCheckIsLoggedUnderTheModuleWithItsOwnFixedLine) {
    unsigned char in[8] = {'1', '2', '3', '4'}, out[8] = {}, len = 0;
    struct Case {
        std::function<void()> call;
        const char* line;
    } cases[] = {
        {[&] { s_CastHexToStr(nullptr, 2, out, &len); },
         "<pbySource != NULL> failed in file <tqutil> in line <27>"},
        {[&] { s_CastStrToHex(in, 2, nullptr, &len); },
         "<pbyTarget != NULL> failed in file <tqutil> in line <28>"},
        {[&] { s_CastHexToStr(in, 2, out, nullptr); },
         "<pbyOutLen != NULL> failed in file <tqutil> in line <29>"},
        {[&] { s_CastHexToChar(0, in, out); }, "<wLen != 0> failed in file <tqutil> in line <38>"},
        {[&] { s_CastHexToChar(4, nullptr, out); },
         "<lpInptr != NULL> failed in file <tqutil> in line <42>"},
        {[&] { s_CastHexToChar(4, in, nullptr); },
         "<lpOutptr != NULL> failed in file <tqutil> in line <46>"},
        {[&] { s_CastHexToChar(511, in, out); },
         "<j < sizeof(byBuffer)> failed in file <tqutil> in line <52>"},
    };
    for (const Case& c : cases) {
        VerifyLog log;
        c.call();
        EXPECT_TRUE(log.OneNewLineWith(std::string(" ") + c.line));
    }
}

}  // namespace
