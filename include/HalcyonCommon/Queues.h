/// \file
/// In-process queues: bounded rings guarded by a named mutex, for bytes (TQByteQueue) and for
/// length-prefixed records (TQRecQueue).
///
/// Any number of threads may push, pop and peek at once; each call holds the queue's mutex for its
/// whole copy and allocates nothing. The size queries (DataLen, BufSize, QueSize, GetError) take no
/// lock: their results are snapshots. A ring of n KiB holds at most n * 1024 - 1 bytes (one byte
/// always stays empty); a record takes its length plus a 4-byte length field.
///
/// The mutex is named `"BQ_<tick count>"`; two queues made within the same millisecond share it and
/// merely exclude each other more often. A queue owns its ring and its mutex: queues cannot be
/// copied, so that nothing is ever released twice.
#pragma once

#include <HalcyonCommon/Export.h>

#include <atomic>
#include <cstdint>

namespace halcyon::queue {
template <typename Queue>
struct RingOps;  // the ring handling both queues share
}  // namespace halcyon::queue

/// The byte queue: runs of bytes in, the same bytes out, first in first out.
class HALCYON_API TQByteQueue {
  public:
    TQByteQueue();                               ///< a 128 KiB ring
    explicit TQByteQueue(unsigned short wSize);  ///< a ring of wSize KiB; none for 0
    virtual ~TQByteQueue();
    TQByteQueue(const TQByteQueue&) = delete;
    TQByteQueue& operator=(const TQByteQueue&) = delete;

    /// Replaces the ring by one of wSize KiB, empty; false (nothing changed) for 0 or when the
    /// memory cannot be had.
    bool CreateQueue(unsigned short wSize);
    /// Opens or creates the mutex `"BQ_<tick count>"`.
    void CreateMux();

    /// Appends all wLen bytes, or none.
    bool PushData(const unsigned char* pData, unsigned short wLen);
    /// Takes exactly wLen bytes, or none.
    bool PopData(unsigned char* pBuf, unsigned short wLen);
    /// Copies exactly wLen bytes from the front without taking them, or none.
    bool PeekData(unsigned char* pBuf, unsigned short wLen);

    unsigned long DataLen() const;                         ///< bytes queued
    unsigned long BufSize() const;                         ///< bytes that still fit
    unsigned long QueSize() const { return m_dwQueSize; }  ///< the ring's size in bytes
    unsigned short GetError() const { return m_wError; }   ///< always 0
    void Reset();                                          ///< empties the queue

  private:
    template <typename Queue>
    friend struct halcyon::queue::RingOps;
    bool CopyOut(unsigned char* pBuf, unsigned short wLen, bool bTake);

    std::uint32_t m_dwQueSize = 0;
    // The offsets are read without the mutex by the size queries, hence atomic.
    std::atomic<std::uint32_t> m_dwPut{0};
    std::atomic<std::uint32_t> m_dwTake{0};
    std::uint16_t m_wError = 0;
    unsigned char* m_pBuffer = nullptr;
    void* m_hMutex = nullptr;
};

/// The record queue: whole records in, the same records out, first in first out.
class HALCYON_API TQRecQueue {
  public:
    TQRecQueue();                               ///< a 128 KiB ring
    explicit TQRecQueue(unsigned short wSize);  ///< a ring of wSize KiB; none for 0
    virtual ~TQRecQueue();
    TQRecQueue(const TQRecQueue&) = delete;
    TQRecQueue& operator=(const TQRecQueue&) = delete;

    bool CreateQueue(unsigned short wSize);  ///< \copydoc TQByteQueue::CreateQueue
    void CreateMux();                        ///< \copydoc TQByteQueue::CreateMux

    /// Appends one record of dwLen bytes (1 or more), whole or not at all.
    bool PushData(const unsigned char* pData, unsigned long dwLen);
    /// Takes the front record into pBuf, which must hold the largest record producers push, and
    /// sets dwLen to its length; false (dwLen 0) when no whole record is queued.
    bool PopData(unsigned char* pBuf, unsigned long& dwLen);
    /// As PopData, but the record stays at the front.
    bool PeekData(unsigned char* pBuf, unsigned long& dwLen);

    unsigned long DataLen() const;  ///< ring bytes in use, length fields included
    unsigned long BufSize() const;  ///< ring bytes that are free
    unsigned long QueSize() const { return m_dwQueSize; }  ///< the ring's size in bytes
    unsigned short GetError() const { return m_wError; }   ///< always 0
    void Reset();                                          ///< empties the queue

  private:
    template <typename Queue>
    friend struct halcyon::queue::RingOps;
    bool CopyOut(unsigned char* pBuf, unsigned long& dwLen, bool bTake);

    std::uint32_t m_dwQueSize = 0;
    // The offsets are read without the mutex by the size queries, hence atomic.
    std::atomic<std::uint32_t> m_dwPut{0};
    std::atomic<std::uint32_t> m_dwTake{0};
    std::uint16_t m_wError = 0;
    unsigned char* m_pBuffer = nullptr;
    void* m_hMutex = nullptr;
};
