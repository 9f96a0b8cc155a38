// SPDX-License-Identifier: Apache-2.0
// Helpers of the INI tests: where a case runs, and scratch INI files.
//
// The cases run against the Linux stand-in and against Windows' own functions; a case marked
// kNotWine meets a known difference of Wine from Windows and is left out under Wine, one marked
// kWineOneNul is a cut list, where Wine leaves the last byte alone, and one marked kStandIn checks
// a choice of the stand-in where Windows' behaviour is not known.
#pragma once

#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <string>

namespace halcyon::test {

enum class Where { kAll, kNotWine, kWineOneNul, kStandIn };

inline bool Runs(Where where) {
    if (where == Where::kStandIn) return HALCYON_STAND_IN;
    return where != Where::kNotWine || !UnderWine();
}

// The bytes a case expects: under Wine a cut list lacks its last NUL.
inline std::string Expected(const std::string& want, Where where) {
    if (where != Where::kWineOneNul || !UnderWine() || want.empty()) return want;
    return want.substr(0, want.size() - 1);
}

// A scratch INI file `name` with `content` in a fresh folder `folder`; returns its Windows name.
inline std::string MakeIni(const std::string& folder, const std::string& content,
                           const char* name = "test.ini") {
    std::string host = MakeScratchFolder(folder) + "/" + name;
    WriteFile(host, content);
    return WindowsPath(host);
}

}  // namespace halcyon::test
