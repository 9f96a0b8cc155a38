// SPDX-License-Identifier: Apache-2.0
// SProfileInfo: the process-wide cache of parsed profile files.
//
// The registry maps each path, byte for byte as callers spell it, to the parsed file, or to null
// for a file that could not be opened. One critical section guards the registry, every object in
// it, and the registry's scratch string and memo of the entry found last, so that a cached read
// allocates nothing.
#include <HalcyonCommon/Profile.h>

#include "HalcyonCommon/Profile/ProfileRead.h"
#include "HalcyonCommon/Profile/ProfileTable.h"
#include "HalcyonCommon/Profile/ProfileText.h"

#include <Platform/CCriticalSection.h>

#include "Platform/common/NeverDestroyed.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>

using halcyon::profile::Table;

namespace {

struct Registry {
    CCriticalSection lock;
    std::unordered_map<std::string, SProfileInfo*> files;
    std::string path;  // scratch: the path being looked up
    // The entry found last: a module mostly reads one file many times over.
    std::string lastPath;
    SProfileInfo* lastObject = nullptr;
    bool hasLast = false;

    void Clear() {
        for (auto& file : files) delete file.second;
        files.clear();
        hasLast = false;
    }
};

Registry& TheRegistry() {
    static halcyon::NeverDestroyed<Registry> registry;
    return *registry;
}

// Copies `text` into the buffer, cut at nSize - 1 bytes, and terminates it.
unsigned long CopyOut(std::string_view text, char* buffer, unsigned long nSize) {
    auto length = static_cast<unsigned long>(std::min<std::size_t>(text.size(), nSize - 1));
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return length;
}

std::string_view OrEmpty(const char* text) {
    return text == nullptr ? std::string_view() : std::string_view(text);
}

// The value of the caller's key in the caller's section; false when either is missing.
bool Find(const Table* table, const char* lpAppName, const char* lpKeyName,
          std::string_view& value) {
    if (table == nullptr) return false;
    halcyon::profile::NormalName section(lpAppName);
    halcyon::profile::NormalName key(lpKeyName);
    return table->Find(section.View(), key.View(), value);
}

std::string UpperCased(std::string_view path) {
    std::string upper(path);
    halcyon::profile::UpperCaseName(upper.data(), upper.size(),
                                    halcyon::profile::ActiveLeadBytes());
    return upper;
}

}  // namespace

SProfileInfo::SProfileInfo() : m_pTable(nullptr) {}

SProfileInfo::SProfileInfo(const SProfileInfo& other)
    : m_pTable(other.m_pTable == nullptr ? nullptr : new Table(*other.m_pTable)) {}

SProfileInfo& SProfileInfo::operator=(const SProfileInfo& other) {
    if (this != &other) {
        std::unique_ptr<Table> copy(other.m_pTable == nullptr ? nullptr
                                                              : new Table(*other.m_pTable));
        delete m_pTable;
        m_pTable = copy.release();
    }
    return *this;
}

SProfileInfo::~SProfileInfo() { delete m_pTable; }

SProfileInfo* SProfileInfo::GetObj(std::string_view fileName) {
    Registry& registry = TheRegistry();
    if (registry.hasLast && registry.lastPath == fileName) return registry.lastObject;
    registry.path.assign(fileName.data(), fileName.size());
    auto found = registry.files.find(registry.path);
    if (found == registry.files.end()) {
        std::unique_ptr<SProfileInfo> object(new SProfileInfo());
        if (!object->InitialProfileInfo(fileName)) object.reset();
        found = registry.files.emplace(std::string(fileName), object.get()).first;
        object.release();
    }
    registry.hasLast = false;
    registry.lastPath = found->first;
    registry.lastObject = found->second;
    registry.hasLast = true;
    return found->second;
}

bool SProfileInfo::InitialProfileInfo(std::string_view fileName) {
    std::string text;
    if (!halcyon::profile::ReadProfileFile(fileName, text)) return false;
    std::unique_ptr<Table> table(new Table(std::move(text)));
    delete m_pTable;
    m_pTable = table.release();
    return true;
}

unsigned long SProfileInfo::GetValueData(const char* lpAppName, const char* lpKeyName,
                                         const char* lpDefault, char* lpReturnedString,
                                         unsigned long nSize) const {
    std::string_view value;
    if (!Find(m_pTable, lpAppName, lpKeyName, value)) value = OrEmpty(lpDefault);
    return CopyOut(value, lpReturnedString, nSize);
}

unsigned int SProfileInfo::GetValueData(const char* lpAppName, const char* lpKeyName,
                                        int nDefault) const {
    std::string_view value;
    if (!Find(m_pTable, lpAppName, lpKeyName, value)) return static_cast<unsigned int>(nDefault);
    return static_cast<unsigned int>(halcyon::profile::ParseLong(value));
}

unsigned long SProfileInfo::GetPrivateProfileStringA(const char* lpAppName, const char* lpKeyName,
                                                     const char* lpDefault, char* lpReturnedString,
                                                     unsigned long nSize, const char* lpFileName) {
    if (lpReturnedString == nullptr || nSize == 0) return 0;
    Registry& registry = TheRegistry();
    CSingleLock hold(&registry.lock, true);
    try {
        SProfileInfo* object = GetObj(OrEmpty(lpFileName));
        if (object != nullptr) {
            return object->GetValueData(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize);
        }
    } catch (const std::bad_alloc&) {
        // No memory for the file or the names: the caller gets the default, as for a file that
        // cannot be read.
    }
    return CopyOut(OrEmpty(lpDefault), lpReturnedString, nSize);
}

unsigned int SProfileInfo::GetPrivateProfileIntA(const char* lpAppName, const char* lpKeyName,
                                                 int nDefault, const char* lpFileName) {
    Registry& registry = TheRegistry();
    CSingleLock hold(&registry.lock, true);
    try {
        SProfileInfo* object = GetObj(OrEmpty(lpFileName));
        if (object != nullptr) return object->GetValueData(lpAppName, lpKeyName, nDefault);
    } catch (const std::bad_alloc&) {
        // As above: the default.
    }
    return static_cast<unsigned int>(nDefault);
}

void SProfileInfo::EraseObj(const char* lpFileName) {
    if (lpFileName == nullptr) return;
    Registry& registry = TheRegistry();
    CSingleLock hold(&registry.lock, true);
    registry.hasLast = false;
    try {
        const std::string wanted = UpperCased(lpFileName);
        for (auto it = registry.files.begin(); it != registry.files.end();) {
            if (it->first.size() == wanted.size() && UpperCased(it->first) == wanted) {
                delete it->second;
                it = registry.files.erase(it);
            } else {
                ++it;
            }
        }
    } catch (const std::bad_alloc&) {
        // Nothing is erased without memory to compare the names in.
    }
}

void SProfileInfo::EraseAll() {
    Registry& registry = TheRegistry();
    CSingleLock hold(&registry.lock, true);
    registry.Clear();
}
