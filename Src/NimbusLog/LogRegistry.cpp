// SPDX-License-Identifier: Apache-2.0
// The registry of the process's logs: one map per kind, each under its own lock, owning its logs
// for the rest of the process's life.
#include <NimbusLog/LogRegistry.h>

#include <Platform/CCriticalSection.h>

#include "Platform/common/NeverDestroyed.h"

#include <map>
#include <new>

namespace {

struct CompareNames {
    bool operator()(const CString& a, const CString& b) const { return a.Compare(b) < 0; }
};

template <class Log>
class LogMap {
  public:
    LogMap() = default;
    LogMap(const LogMap&) = delete;
    LogMap& operator=(const LogMap&) = delete;

    // The log of that name, made and initialised under the lock, so that two threads asking for
    // a new name get one object.
    Log* Get(const CString& name) {
        CSingleLock hold(&m_lock, true);
        auto found = m_logs.find(name);
        if (found != m_logs.end()) return found->second;
        Log* log = new (std::nothrow) Log;
        if (log == nullptr) return nullptr;
        if (!log->Init(name)) {
            delete log;
            return nullptr;
        }
        try {
            m_logs.emplace(name, log);
        } catch (...) {
            delete log;
            return nullptr;
        }
        return log;
    }

  private:
    std::map<CString, Log*, CompareNames> m_logs;
    CCriticalSection m_lock;
};

// Built when the library loads and never destroyed: a log handed out stays valid for callers that
// write after main returns. Every line is flushed when written, so nothing is lost at exit, and
// the system closes the day files with the process.
struct LogRegistry {
    LogMap<CSystemLog> systemLogs;
    LogMap<CDebugLog> debugLogs;
};

halcyon::NeverDestroyed<LogRegistry> g_registry;

}  // namespace

CSystemLog* s_NimbusLogGetSystemLogObj(const CString& strName) {
    return g_registry->systemLogs.Get(strName);
}

CDebugLog* s_NimbusLogGetDebugLogObj(const CString& strName) {
    return g_registry->debugLogs.Get(strName);
}
