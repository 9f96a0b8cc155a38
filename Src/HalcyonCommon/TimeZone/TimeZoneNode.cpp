// SPDX-License-Identifier: Apache-2.0
#include <HalcyonCommon/TimeZone.h>

CTimeZoneNode::CTimeZoneNode(unsigned char byZoneCode, long lTimeDiff)
    : m_byZoneCode(byZoneCode), m_lTimeDiff(static_cast<std::int32_t>(lTimeDiff)) {}

CTimeZoneNode::CTimeZoneNode() : m_byZoneCode(0xFF), m_lTimeDiff(0) {}

CTimeZoneNode::~CTimeZoneNode() = default;

long CTimeZoneNode::GetTimeDiffFromGMT() { return m_lTimeDiff; }
