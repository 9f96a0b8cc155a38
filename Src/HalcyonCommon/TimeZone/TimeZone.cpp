// SPDX-License-Identifier: Apache-2.0
// The zone table: lookups, insertion, and the control file read into it.
#include <HalcyonCommon/TimeZone.h>

#include "HalcyonCommon/TimeZone/ControlFile.h"
#include "Platform/Win.h"

#include <cstdio>
#include <new>

using halcyon::timezone::kMaxOffset;

namespace {

// The zone of `code` in `list`, or null. Codes are unique, so the first match is the only one.
CTimeZoneNode* FindZone(const CObList& list, unsigned char code) {
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        auto* node = static_cast<CTimeZoneNode*>(list.GetNext(pos));
        if (node->m_byZoneCode == code) return node;
    }
    return nullptr;
}

}  // namespace

CTimeZone::CTimeZone() { InitialControlFile(); }

CTimeZone::~CTimeZone() { RemoveAllTimeZoneNode(); }

void CTimeZone::InitialControlFile() {
    std::FILE* file = win::fopen(halcyon::timezone::ControlFilePath(), "r");
    if (file == nullptr) return;
    std::setvbuf(file, nullptr, _IONBF, 0);
    halcyon::timezone::ReadZones(
        [](char* buffer, int size, void* context) {
            return std::fgets(buffer, size, static_cast<std::FILE*>(context)) != nullptr;
        },
        file, *this);
    std::fclose(file);
}

bool CTimeZone::InsertTimeZoneNode(unsigned char byZoneCode, long lTimeDiff) {
    if (lTimeDiff < -kMaxOffset || lTimeDiff > kMaxOffset) return false;
    if (FindZone(m_listTimeZone, byZoneCode) != nullptr) return false;
    auto* node = new (std::nothrow) CTimeZoneNode(byZoneCode, lTimeDiff);
    if (node == nullptr) return false;
    m_listTimeZone.AddTail(node);
    return true;
}

void CTimeZone::RemoveAllTimeZoneNode() {
    while (!m_listTimeZone.IsEmpty()) delete m_listTimeZone.RemoveHead();
}

long CTimeZone::GetTimeDiffFromGMT(unsigned char byZoneCode) {
    CTimeZoneNode* node = FindZone(m_listTimeZone, byZoneCode);
    return node != nullptr ? node->GetTimeDiffFromGMT() : 0;
}

long CTimeZone::GetTimeDiff(unsigned char byZoneA, unsigned char byZoneB) {
    return GetTimeDiffFromGMT(byZoneA) - GetTimeDiffFromGMT(byZoneB);
}

// The standard bias is the minutes to add to local standard time to get GMT.
long CTimeZone::GetLocalTimeDiff(unsigned char byZoneCode) {
    CTimeZoneNode* node = FindZone(m_listTimeZone, byZoneCode);
    if (node == nullptr) return 0;
    win::TIME_ZONE_INFORMATION info{};
    if (win::GetTimeZoneInformation(&info) == TIME_ZONE_ID_INVALID) info = {};
    long standardBias = static_cast<long>(info.Bias) + static_cast<long>(info.StandardBias);
    return -(standardBias + node->GetTimeDiffFromGMT());
}
