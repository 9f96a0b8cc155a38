// SPDX-License-Identifier: Apache-2.0
// The process-wide zone table of the s_TimeZoneLib… functions. Not locked: callers keep
// creation, rereading and release apart from each other and from the queries.
#include <HalcyonCommon/TimeZone.h>

#include <new>

namespace {

CTimeZone* g_pTimeZone = nullptr;

}  // namespace

bool s_TimeZoneLibInitialize() {
    if (g_pTimeZone != nullptr) return false;
    g_pTimeZone = new (std::nothrow) CTimeZone;
    return g_pTimeZone != nullptr;
}

bool s_TimeZoneLibReInitialize() {
    if (g_pTimeZone == nullptr) return false;
    g_pTimeZone->RemoveAllTimeZoneNode();
    g_pTimeZone->InitialControlFile();
    return true;
}

void s_TimeZoneLibRelease() {
    delete g_pTimeZone;
    g_pTimeZone = nullptr;
}

long s_TimeZoneLibGetTimeDiffFromGMT(unsigned char byZoneCode) {
    return g_pTimeZone != nullptr ? g_pTimeZone->GetTimeDiffFromGMT(byZoneCode) : 0;
}

long s_TimeZoneLibGetTimeDiff(unsigned char byZoneA, unsigned char byZoneB) {
    return g_pTimeZone != nullptr ? g_pTimeZone->GetTimeDiff(byZoneA, byZoneB) : 0;
}

long s_TimeZoneLibGetLocalTimeDiff(unsigned char byZoneCode) {
    return g_pTimeZone != nullptr ? g_pTimeZone->GetLocalTimeDiff(byZoneCode) : 0;
}
