// SPDX-License-Identifier: Apache-2.0
// NeverDestroyed<T>: a process-wide object that is built where it is first used and never
// destroyed.
//
// The library's state (locks, folder tables, caches, registries) must outlive its callers: a
// module's own static destructor, running after main returns (or at DLL detach), may still ask
// for a path, read a setting or write a log line. Statics are destroyed in the reverse order of
// their construction, so a static of the library built during main would be gone before a
// caller's static built earlier. An object held here has no destructor to run and stays usable
// until the process ends; the system takes back its memory, descriptors and locks then. Lines
// already written are safe: every writer of the library flushes as it goes.
#pragma once

#include <new>
#include <utility>

namespace halcyon {

template <class T>
class NeverDestroyed {
  public:
    template <class... Args>
    explicit NeverDestroyed(Args&&... args) {
        ::new (static_cast<void*>(m_storage)) T(std::forward<Args>(args)...);
    }
    NeverDestroyed(const NeverDestroyed&) = delete;
    NeverDestroyed& operator=(const NeverDestroyed&) = delete;

    T& get() { return *std::launder(reinterpret_cast<T*>(m_storage)); }
    T& operator*() { return get(); }
    T* operator->() { return &get(); }

  private:
    alignas(T) unsigned char m_storage[sizeof(T)];
};

}  // namespace halcyon
