// SPDX-License-Identifier: Apache-2.0
// The verify log as the library writes it from the test program's current folder <root>\BIN:
// <root>\LOG\TQVERIFY.LOG, one CR LF line per failed check.
#pragma once

#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace halcyon::test {

class VerifyLog {
  public:
    // Makes the log's folder, so that the library writes the log, and notes where it ends.
    VerifyLog() : path_(RootHostPath() + "/LOG/TQVERIFY.LOG") {
        MakeFolder(RootHostPath() + "/LOG");
        start_ = ReadFile(path_).size();
    }

    const std::string& path() const { return path_; }

    // The lines written since construction (all of them once the log was emptied).
    std::vector<std::string> NewLines() const {
        std::string text = ReadFile(path_);
        std::vector<std::string> lines;
        for (size_t pos = text.size() >= start_ ? start_ : 0, end;
             (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
            lines.push_back(text.substr(pos, end - pos));
        return lines;
    }

    // Success when exactly one line was written since construction and it holds `part`.
    testing::AssertionResult OneNewLineWith(const std::string& part) const {
        std::vector<std::string> lines = NewLines();
        if (lines.size() == 1 && lines[0].find(part) != std::string::npos)
            return testing::AssertionSuccess();
        return testing::AssertionFailure()
               << lines.size() << " new lines, wanted one with " << part << " in " << path_;
    }

  private:
    std::string path_;
    size_t start_ = 0;
};

}  // namespace halcyon::test
