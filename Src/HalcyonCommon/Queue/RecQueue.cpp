// SPDX-License-Identifier: Apache-2.0
#include <HalcyonCommon/Queues.h>

#include "HalcyonCommon/Queue/RingOps.h"

using halcyon::queue::Get;
using halcyon::queue::MutexHold;
using halcyon::queue::Set;
using Ops = halcyon::queue::RingOps<TQRecQueue>;

namespace {

constexpr std::uint32_t kLengthField = 4;  // little-endian record length before the data

}  // namespace

TQRecQueue::TQRecQueue() : TQRecQueue(halcyon::queue::kDefaultSizeKiB) {}

TQRecQueue::TQRecQueue(unsigned short wSize) {
    CreateQueue(wSize);
    CreateMux();
}

TQRecQueue::~TQRecQueue() { Ops::Destroy(*this); }

bool TQRecQueue::CreateQueue(unsigned short wSize) { return Ops::Create(*this, wSize); }
void TQRecQueue::CreateMux() { Ops::MakeMutex(*this); }
unsigned long TQRecQueue::DataLen() const { return Ops::Used(*this); }
unsigned long TQRecQueue::BufSize() const { return Ops::Free(*this); }
void TQRecQueue::Reset() { Ops::Reset(*this); }

bool TQRecQueue::PushData(const unsigned char* pData, unsigned long dwLen) {
    if (pData == nullptr || dwLen == 0 || m_pBuffer == nullptr) return false;
    MutexHold hold(m_hMutex);
    if (!hold.Held()) return false;
    std::uint32_t put = Get(m_dwPut);
    std::uint32_t free = halcyon::ring::Free(put, Get(m_dwTake), m_dwQueSize);
    if (free < kLengthField || dwLen > free - kLengthField) return false;
    auto length = static_cast<std::uint32_t>(dwLen);
    put = halcyon::ring::WriteLength(m_pBuffer, m_dwQueSize, put, length, kLengthField);
    Set(m_dwPut, halcyon::ring::Write(m_pBuffer, m_dwQueSize, put, pData, length));
    return true;
}

bool TQRecQueue::PopData(unsigned char* pBuf, unsigned long& dwLen) {
    return CopyOut(pBuf, dwLen, true);
}

bool TQRecQueue::PeekData(unsigned char* pBuf, unsigned long& dwLen) {
    return CopyOut(pBuf, dwLen, false);
}

bool TQRecQueue::CopyOut(unsigned char* pBuf, unsigned long& dwLen, bool bTake) {
    if (pBuf == nullptr || m_pBuffer == nullptr) return false;
    MutexHold hold(m_hMutex);
    if (!hold.Held()) return false;
    dwLen = 0;
    std::uint32_t take = Get(m_dwTake);
    std::uint32_t used = halcyon::ring::Used(Get(m_dwPut), take, m_dwQueSize);
    if (used < kLengthField) return false;
    std::uint32_t length = 0;
    take = halcyon::ring::ReadLength(m_pBuffer, m_dwQueSize, take, kLengthField, length);
    if (length > used - kLengthField) return false;
    take = halcyon::ring::Read(m_pBuffer, m_dwQueSize, take, pBuf, length);
    if (bTake) Set(m_dwTake, take);
    dwLen = length;
    return true;
}
