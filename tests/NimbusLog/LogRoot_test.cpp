#include "NimbusLog/LogRoot.h"
#include "NimbusLog/LogSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(NimbusLogRoot, BinOrSpuInAnyCaseLogBesideTheFolderOthersBelowIt) {
    const struct {
        const char* exe;
        const char* root;
    } cases[] = {
        {"C:\\Nimbus\\BIN\\term.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\sPu\\q.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\BINS\\t.exe", "C:\\Nimbus\\BINS\\LOGS\\"},
        {"C:\\SPU\\Other\\t.exe", "C:\\SPU\\Other\\LOGS\\"},
        {"BIN\\t.exe", "\\LOG\\"},
        {"t.exe", "t.exe\\LOGS\\"},
        {"", "\\LOGS\\"},
    };
    for (const auto& c : cases) EXPECT_STREQ(halcyon::nimbuslog::LogRootOf(c.exe), c.root) << c.exe;
}

}  // namespace
