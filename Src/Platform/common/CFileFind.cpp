// SPDX-License-Identifier: Apache-2.0
#include <Platform/CFileFind.h>

#include "Platform/Win.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {

using Entry = win::WIN32_FIND_DATAA;

Entry* AsEntry(void* p) { return static_cast<Entry*>(p); }

}  // namespace

CFileFind::CFileFind() : m_pFoundInfo(nullptr), m_pNextInfo(nullptr), m_hContext(nullptr) {}

CFileFind::~CFileFind() { Close(); }

void CFileFind::Close() {
    delete AsEntry(m_pFoundInfo);
    delete AsEntry(m_pNextInfo);
    m_pFoundInfo = m_pNextInfo = nullptr;
    if (m_hContext != nullptr && m_hContext != INVALID_HANDLE_VALUE) win::FindClose(m_hContext);
    m_hContext = nullptr;
    m_strRoot.Empty();
}

int CFileFind::FindFile(const char* pstrName, unsigned long) {
    Close();
    CString name = pstrName != nullptr && *pstrName != '\0' ? pstrName : "*.*";
    auto* next = new (std::nothrow) Entry;
    if (next == nullptr) return FALSE;
    m_pNextInfo = next;
    m_hContext = win::FindFirstFileA(name, next);
    if (m_hContext == INVALID_HANDLE_VALUE) {
        Close();
        return FALSE;
    }
    int slash = std::max(name.ReverseFind('\\'), name.ReverseFind('/'));
    m_strRoot = slash >= 0 ? name.Left(slash + 1) : CString();
    return TRUE;
}

int CFileFind::FindNextFile() {
    if (m_hContext == nullptr || m_pNextInfo == nullptr) return FALSE;
    if (m_pFoundInfo == nullptr) m_pFoundInfo = new (std::nothrow) Entry;
    if (m_pFoundInfo == nullptr) return FALSE;
    std::swap(m_pFoundInfo, m_pNextInfo);
    return win::FindNextFileA(m_hContext, AsEntry(m_pNextInfo));
}

CString CFileFind::GetFileName() const {
    return m_pFoundInfo != nullptr ? CString(AsEntry(m_pFoundInfo)->cFileName) : CString();
}

CString CFileFind::GetFilePath() const {
    return m_pFoundInfo != nullptr ? m_strRoot + GetFileName() : CString();
}

CString CFileFind::GetRoot() const { return m_strRoot; }

std::uint64_t CFileFind::GetLength() const {
    if (m_pFoundInfo == nullptr) return 0;
    const Entry* entry = AsEntry(m_pFoundInfo);
    return (static_cast<std::uint64_t>(entry->nFileSizeHigh) << 32) | entry->nFileSizeLow;
}

bool CFileFind::IsDirectory() const {
    return m_pFoundInfo != nullptr &&
           (AsEntry(m_pFoundInfo)->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CFileFind::IsDots() const {
    if (!IsDirectory()) return false;
    const char* name = AsEntry(m_pFoundInfo)->cFileName;
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}
