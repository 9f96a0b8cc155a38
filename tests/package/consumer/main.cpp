// An outside program built against an installed HalcyonCommon.
#include <HalcyonCommon.h>

#include <cstdio>

int main() {
    std::printf("%s\n", static_cast<const char*>(s_PathGetServerDatPath(16)));
    return 0;
}
