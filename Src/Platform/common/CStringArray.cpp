// SPDX-License-Identifier: Apache-2.0
#include <Platform/CStringArray.h>

#include <algorithm>

void CStringArray::SetSize(int nNewSize) {
    m_items.resize(static_cast<size_t>(std::max(nNewSize, 0)));
}

CString CStringArray::GetAt(int nIndex) const {
    return nIndex >= 0 && nIndex < GetSize() ? m_items[static_cast<size_t>(nIndex)] : CString();
}

void CStringArray::SetAt(int nIndex, const char* psz) {
    if (nIndex >= 0 && nIndex < GetSize()) m_items[static_cast<size_t>(nIndex)] = psz;
}

CString& CStringArray::ElementAt(int nIndex) {
    if (nIndex >= 0 && nIndex < GetSize()) return m_items[static_cast<size_t>(nIndex)];
    m_scratch.Empty();
    return m_scratch;
}

int CStringArray::Add(const char* psz) {
    m_items.emplace_back(psz);
    return GetUpperBound();
}

int CStringArray::Append(const CStringArray& src) {
    int first = GetSize();
    m_items.insert(m_items.end(), src.m_items.begin(), src.m_items.end());
    return first;
}

void CStringArray::InsertAt(int nIndex, const char* psz, int nCount) {
    if (nIndex < 0 || nCount <= 0) return;
    if (nIndex > GetSize()) SetSize(nIndex);
    m_items.insert(m_items.begin() + nIndex, static_cast<size_t>(nCount), CString(psz));
}

void CStringArray::RemoveAt(int nIndex, int nCount) {
    if (nIndex < 0 || nIndex >= GetSize() || nCount <= 0) return;
    int last = std::min(GetSize(), nIndex + nCount);
    m_items.erase(m_items.begin() + nIndex, m_items.begin() + last);
}
