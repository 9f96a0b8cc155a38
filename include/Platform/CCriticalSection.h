/// \file
/// CCriticalSection and CSingleLock: the host framework's in-process lock and its scope guard.
///
/// A critical section may be entered again by the thread that holds it; each Lock needs its Unlock.
#pragma once

#include <HalcyonApi.h>

#include <mutex>

/// What CSingleLock locks.
class HALCYON_API CSyncObject {
  public:
    virtual ~CSyncObject() = default;
    /// Waits for the lock / releases it once; true on success.
    ///@{
    virtual bool Lock() = 0;
    virtual bool Unlock() = 0;
    ///@}
};

/// A recursive in-process lock.
class HALCYON_API CCriticalSection : public CSyncObject {
  public:
    CCriticalSection() = default;
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    bool Lock() override;    ///< waits for the lock; always true
    bool Unlock() override;  ///< releases it once; always true

  private:
    std::recursive_mutex m_mutex;
};

/// Holds a CSyncObject's lock for a scope: taken at once with bInitialLock or by Lock, released
/// by Unlock or at the end.
class HALCYON_API CSingleLock {
  public:
    explicit CSingleLock(CSyncObject* pObject, bool bInitialLock = false);  ///< see the class
    ~CSingleLock();
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

    bool Lock();    ///< takes the lock unless held; true when held
    bool Unlock();  ///< releases it when held; true when no longer held
    bool IsLocked() const { return m_bLocked; }  ///< whether this object holds the lock

  private:
    CSyncObject* m_pObject;
    bool m_bLocked = false;
};
