// SPDX-License-Identifier: Apache-2.0
// The single-instance check, in one process and between processes.
#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"
#include "support/VerifyLog.h"

#include <HalcyonCommon.h>

namespace halcyon::test {
namespace {

// Child: exit 0 when it is the first instance of task args[0], 1 when not. As the first, with
// marker args[1], it raises the marker and idles until killed.
int CheckInstance(const std::vector<std::string>& args) {
    if (!s_AppInfoCheckPrevInstance(args.at(0).c_str())) return 1;
    if (args.size() < 2) return 0;
    RaiseMarker(args[1]);
    return IdleUntilKilled();
}
const ChildRole kCheckInstance("prev-instance", CheckInstance);

int CheckElsewhere(const std::string& task) {
    return WaitChild(StartChild("prev-instance", {task}));
}

// The first call holds the name for the process, here and in a killed child; a null name is a
// failed check in the verify log.
TEST(PrevInstanceProcesses, TheFirstInstanceHoldsTheNameUntilItIsGone) {
    std::string task = UniqueName("task");
    EXPECT_TRUE(s_AppInfoCheckPrevInstance(task.c_str()));
    EXPECT_FALSE(s_AppInfoCheckPrevInstance(task.c_str()));
    EXPECT_TRUE(s_AppInfoCheckPrevInstance(UniqueName("other task").c_str()));
    EXPECT_EQ(CheckElsewhere(task), 1) << "this process is the first instance";
    std::string childTask = UniqueName("child's task"), ready = UniqueName("ready");
    int first = StartChild("prev-instance", {childTask, ready});
    ASSERT_TRUE(WaitForMarker(ready));
    KillChild(first);
    EXPECT_EQ(CheckElsewhere(childTask), 0) << "killed: the name is free again";
    EXPECT_EQ(CheckElsewhere(childTask), 0) << "a first instance that ended frees it too";
    CollectLeftovers();  // the killed child's marker
    VerifyLog log;
    EXPECT_FALSE(s_AppInfoCheckPrevInstance(nullptr));
    EXPECT_TRUE(log.OneNewLineWith("<lpszTaskName != NULL> failed in file <tqutil> in line <21>"));
}

}  // namespace
}  // namespace halcyon::test
