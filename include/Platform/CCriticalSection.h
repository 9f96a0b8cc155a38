// CCriticalSection and CSingleLock: the host framework's in-process lock and its scope guard.
//
// A critical section may be entered again by the thread that holds it; each Lock needs its Unlock.
#pragma once

#include <HalcyonApi.h>

#include <mutex>

class HALCYON_API CSyncObject {
  public:
    virtual ~CSyncObject() = default;
    virtual bool Lock() = 0;
    virtual bool Unlock() = 0;
};

class HALCYON_API CCriticalSection : public CSyncObject {
  public:
    CCriticalSection() = default;
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    bool Lock() override;
    bool Unlock() override;

  private:
    std::recursive_mutex m_mutex;
};

class HALCYON_API CSingleLock {
  public:
    explicit CSingleLock(CSyncObject* pObject, bool bInitialLock = false);
    ~CSingleLock();
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

    bool Lock();
    bool Unlock();
    bool IsLocked() const { return m_bLocked; }

  private:
    CSyncObject* m_pObject;
    bool m_bLocked = false;
};
