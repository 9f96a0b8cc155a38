// SPDX-License-Identifier: Apache-2.0
#include <HalcyonCommon/Queues.h>

#include "HalcyonCommon/Queue/RingOps.h"

using halcyon::queue::Get;
using halcyon::queue::MutexHold;
using halcyon::queue::Set;
using Ops = halcyon::queue::RingOps<TQByteQueue>;

TQByteQueue::TQByteQueue() : TQByteQueue(halcyon::queue::kDefaultSizeKiB) {}

TQByteQueue::TQByteQueue(unsigned short wSize) {
    CreateQueue(wSize);
    CreateMux();
}

TQByteQueue::~TQByteQueue() { Ops::Destroy(*this); }

bool TQByteQueue::CreateQueue(unsigned short wSize) { return Ops::Create(*this, wSize); }
void TQByteQueue::CreateMux() { Ops::MakeMutex(*this); }
unsigned long TQByteQueue::DataLen() const { return Ops::Used(*this); }
unsigned long TQByteQueue::BufSize() const { return Ops::Free(*this); }
void TQByteQueue::Reset() { Ops::Reset(*this); }

bool TQByteQueue::PushData(const unsigned char* pData, unsigned short wLen) {
    if (pData == nullptr || wLen == 0 || m_pBuffer == nullptr) return false;
    MutexHold hold(m_hMutex);
    if (!hold.Held()) return false;
    std::uint32_t put = Get(m_dwPut);
    if (halcyon::ring::Free(put, Get(m_dwTake), m_dwQueSize) < wLen) return false;
    Set(m_dwPut, halcyon::ring::Write(m_pBuffer, m_dwQueSize, put, pData, wLen));
    return true;
}

bool TQByteQueue::PopData(unsigned char* pBuf, unsigned short wLen) {
    return CopyOut(pBuf, wLen, true);
}

bool TQByteQueue::PeekData(unsigned char* pBuf, unsigned short wLen) {
    return CopyOut(pBuf, wLen, false);
}

bool TQByteQueue::CopyOut(unsigned char* pBuf, unsigned short wLen, bool bTake) {
    if (pBuf == nullptr || wLen == 0 || m_pBuffer == nullptr) return false;
    MutexHold hold(m_hMutex);
    if (!hold.Held()) return false;
    std::uint32_t take = Get(m_dwTake);
    if (wLen > halcyon::ring::Used(Get(m_dwPut), take, m_dwQueSize)) return false;
    take = halcyon::ring::Read(m_pBuffer, m_dwQueSize, take, pBuf, wLen);
    if (bTake) Set(m_dwTake, take);
    return true;
}
