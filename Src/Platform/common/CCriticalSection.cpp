// SPDX-License-Identifier: Apache-2.0
#include <Platform/CCriticalSection.h>

bool CCriticalSection::Lock() {
    m_mutex.lock();
    return true;
}

bool CCriticalSection::Unlock() {
    m_mutex.unlock();
    return true;
}

CSingleLock::CSingleLock(CSyncObject* pObject, bool bInitialLock) : m_pObject(pObject) {
    if (bInitialLock) Lock();
}

CSingleLock::~CSingleLock() { Unlock(); }

bool CSingleLock::Lock() {
    if (m_pObject == nullptr || m_bLocked) return m_bLocked;
    m_bLocked = m_pObject->Lock();
    return m_bLocked;
}

bool CSingleLock::Unlock() {
    if (m_pObject != nullptr && m_bLocked) m_bLocked = !m_pObject->Unlock();
    return !m_bLocked;
}
