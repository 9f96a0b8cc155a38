// SPDX-License-Identifier: Apache-2.0
// An outside program built against an installed HalcyonCommon. The umbrella header brings the
// C++17 declarations (std::string_view in Profile.h) that a C++14 build would stop at.
#include <HalcyonCommon.h>

#include <cstdio>

int main() {
    std::printf("%s\n", static_cast<const char*>(s_PathGetServerDatPath(16)));
    return 0;
}
