// SPDX-License-Identifier: Apache-2.0
// What the halcyon tool's tests share: a table of shell commands, each with the exit status it must
// give and a text its output must hold, and a `halcyon queue host` in the background for the length
// of a scope.
#pragma once

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace halcyon::test {

// `command` runs after the table's prefix; `output` is a part of its standard output and error,
// or the whole of them when `whole` is set or it is empty (a quiet command is checked to be
// quiet). `after`, when given, checks what must hold after each command.
struct ToolRun {
    std::string command;
    int code;
    std::string output;
    bool whole = false;
};

inline void ExpectRuns(const std::string& prefix, const std::vector<ToolRun>& runs,
                       const std::function<void()>& after = {}) {
    std::string out;
    for (const ToolRun& r : runs) {
        EXPECT_EQ(RunCommand(prefix + r.command, out), r.code) << r.command << ": " << out;
        if (r.whole || r.output.empty()) {
            EXPECT_EQ(out, r.output) << r.command;
        } else {
            EXPECT_NE(out.find(r.output), std::string::npos) << r.command << ": " << out;
        }
        SCOPED_TRACE("after " + r.command);
        if (after) after();
    }
}

inline void ExpectRuns(const std::vector<ToolRun>& runs) { ExpectRuns("", runs); }

#if HALCYON_STAND_IN
// `halcyon queue host ARGS` run by command line `tool` in the background; Stop (or the end of the
// scope) ends it with Ctrl-C and waits until it is gone: a host still there after 10 s is a
// failure, and is killed.
class QueueHost {
  public:
    explicit QueueHost(const std::string& args, const std::string& tool = ToolCommand(""))
        : log_(MakeScratchFolder("host-" + std::to_string(next_++)) + "/log") {
        RunCommand(tool + "queue host " + args + " > '" + log_ + "' 2>&1 & echo $!", pid_);
        pid_ = pid_.substr(0, pid_.find('\n'));
        for (int i = 0; i < 500 && !Hosting(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~QueueHost() { Stop(); }
    void Stop() {
        std::string out;
        if (pid_.empty()) return;
        EXPECT_EQ(RunCommand("kill -INT " + pid_ + "; for i in $(seq 200); do kill -0 " + pid_ +
                                 " 2>/dev/null || exit 0; sleep 0.05; done; kill -KILL " + pid_ +
                                 "; exit 1",
                             out),
                  0)
            << "the queue host " << pid_ << " did not end on Ctrl-C";
        pid_.clear();
    }
    bool Hosting() const { return Log().find("hosting") != std::string::npos; }
    std::string Log() const { return ReadFile(log_); }
    const std::string& Pid() const { return pid_; }

  private:
    static inline int next_ = 0;
    std::string log_;
    std::string pid_;
};
#endif

}  // namespace halcyon::test
