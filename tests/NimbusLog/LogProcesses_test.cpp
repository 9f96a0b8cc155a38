#include "NimbusLog/LogSupport.h"

#include <gtest/gtest.h>

namespace {

using halcyon::test::DayFileOf;
using halcyon::test::LinesOf;

// Child role: one system line to log "shared"; exits 0 when written, 3 when refused.
int WriteShared(const std::vector<std::string>& args) {
    CSystemLog* log = s_NimbusLogGetSystemLogObj("shared");
    if (log == nullptr) return 2;
    return log->Write(0, 2, "child", args.empty() ? "" : args[0].c_str()) ? 0 : 3;
}
halcyon::test::ChildRole writeShared("log-write-shared", WriteShared);

int RunWriter(const char* text) {
    return halcyon::test::WaitChild(halcyon::test::StartChild("log-write-shared", {text}));
}

// One process at a time writes a day file: while this process holds it, another process's
// writes fail (and so do those of a second object here); once it lets go, they succeed.
TEST(NimbusLogProcesses, ADayFileHasOneWritingProcessAtATime) {
    std::string file;
    {
        CSystemLog holder;
        ASSERT_TRUE(holder.Init("shared"));
        ASSERT_TRUE(holder.Write(0, 1, "holder", "first"));
        file = DayFileOf(holder.GetLogFile());
        EXPECT_EQ(RunWriter("while held"), 3);

        CSystemLog second;
        ASSERT_TRUE(second.Init("shared"));
        EXPECT_FALSE(second.Write(0, 1, "second object", ""));
        EXPECT_FALSE(second.Write(0, 1, "second object", "again"));  // failed for the day
        ASSERT_TRUE(holder.Write(0, 1, "holder", "last"));
    }
    EXPECT_EQ(RunWriter("after"), 0);

    bool whole = false;
    std::vector<std::string> lines = LinesOf(file, whole);
    EXPECT_TRUE(whole);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0].substr(13), "INFO    \t1\tholder\tfirst");
    EXPECT_EQ(lines[1].substr(13), "INFO    \t1\tholder\tlast");
    EXPECT_EQ(lines[2].substr(13), "INFO    \t2\tchild\tafter");
}

}  // namespace
