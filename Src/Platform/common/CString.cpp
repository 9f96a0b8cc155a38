// SPDX-License-Identifier: Apache-2.0
#include <Platform/CString.h>

#include "Platform/common/Mbcs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char kWhitespace[] = " \t\n\v\f\r";

int Clamp(int value, int low, int high) { return std::max(low, std::min(value, high)); }

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

CString::CString(const char* psz) : m_str(psz != nullptr ? psz : "") {}

CString::CString(const char* pch, int nLength)
    : m_str(pch != nullptr && nLength > 0 ? std::string(pch, static_cast<size_t>(nLength)) : "") {}

CString::CString(char ch, int nRepeat)
    : m_str(nRepeat > 0 ? static_cast<size_t>(nRepeat) : 0, ch) {}

char CString::GetAt(int nIndex) const {
    return nIndex >= 0 && nIndex < GetLength() ? m_str[static_cast<size_t>(nIndex)] : '\0';
}

void CString::SetAt(int nIndex, char ch) {
    if (nIndex >= 0 && nIndex < GetLength()) m_str[static_cast<size_t>(nIndex)] = ch;
}

void CString::FormatV(const char* pszFormat, va_list args) {
    if (pszFormat == nullptr) {
        m_str.clear();
        return;
    }
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int needed = std::vsnprintf(small, sizeof small, pszFormat, copy);
    va_end(copy);
    if (needed < 0) {
        m_str.clear();
        return;
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        m_str.assign(small, static_cast<size_t>(needed));
        return;
    }
    std::vector<char> big(static_cast<size_t>(needed) + 1);
    std::vsnprintf(big.data(), big.size(), pszFormat, args);
    m_str.assign(big.data(), static_cast<size_t>(needed));
}

void CString::Format(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormat(const char* pszFormat, ...) {
    CString tail;
    va_list args;
    va_start(args, pszFormat);
    tail.FormatV(pszFormat, args);
    va_end(args);
    m_str += tail.m_str;
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }

CString CString::Mid(int nFirst, int nCount) const {
    nFirst = Clamp(nFirst, 0, GetLength());
    nCount = Clamp(nCount, 0, GetLength() - nFirst);
    return CString(m_str.substr(static_cast<size_t>(nFirst), static_cast<size_t>(nCount)));
}

CString CString::Left(int nCount) const { return Mid(0, nCount); }

CString CString::Right(int nCount) const {
    nCount = Clamp(nCount, 0, GetLength());
    return Mid(GetLength() - nCount, nCount);
}

int CString::Find(char ch, int nStart) const {
    if (nStart < 0 || nStart >= GetLength()) return -1;
    return halcyon::mbcs::FindChar(m_str.data(), m_str.size(), ch, static_cast<size_t>(nStart));
}

int CString::Find(const char* pszSub, int nStart) const {
    if (pszSub == nullptr || nStart < 0 || nStart > GetLength()) return -1;
    size_t at = m_str.find(pszSub, static_cast<size_t>(nStart));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const {
    return halcyon::mbcs::ReverseFindChar(m_str.data(), m_str.size(), ch);
}

CString& CString::MakeUpper() {
    halcyon::mbcs::ToUpper(m_str.data(), m_str.size());
    return *this;
}

CString& CString::MakeLower() {
    halcyon::mbcs::ToLower(m_str.data(), m_str.size());
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(char chTarget) { return TrimRight(chTarget).TrimLeft(chTarget); }
CString& CString::Trim(const char* pszTargets) {
    return TrimRight(pszTargets).TrimLeft(pszTargets);
}
CString& CString::TrimLeft() { return TrimLeft(kWhitespace); }
CString& CString::TrimRight() { return TrimRight(kWhitespace); }

CString& CString::TrimLeft(char chTarget) {
    const char targets[2] = {chTarget, '\0'};
    return TrimLeft(targets);
}

CString& CString::TrimRight(char chTarget) {
    const char targets[2] = {chTarget, '\0'};
    return TrimRight(targets);
}

CString& CString::TrimLeft(const char* pszTargets) {
    if (pszTargets == nullptr || pszTargets[0] == '\0') return *this;
    size_t first = m_str.find_first_not_of(pszTargets);
    m_str.erase(0, first == std::string::npos ? m_str.size() : first);
    return *this;
}

CString& CString::TrimRight(const char* pszTargets) {
    if (pszTargets == nullptr || pszTargets[0] == '\0') return *this;
    size_t last = m_str.find_last_not_of(pszTargets);
    m_str.erase(last == std::string::npos ? 0 : last + 1);
    return *this;
}

int CString::Replace(char chOld, char chNew) {
    int count = 0;
    for (char& c : m_str) {
        if (c == chOld) {
            c = chNew;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char* pszOld, const char* pszNew) {
    if (pszOld == nullptr || pszOld[0] == '\0') return 0;
    const std::string from(pszOld);
    const std::string to(pszNew != nullptr ? pszNew : "");
    int count = 0;
    std::string out;
    size_t pos = 0;
    for (size_t at; (at = m_str.find(from, pos)) != std::string::npos; pos = at + from.size()) {
        out.append(m_str, pos, at - pos);
        out += to;
        ++count;
    }
    if (count == 0) return 0;
    out.append(m_str, pos, std::string::npos);
    m_str.swap(out);
    return count;
}

int CString::Remove(char ch) {
    size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int nIndex, const char* psz) {
    nIndex = Clamp(nIndex, 0, GetLength());
    if (psz != nullptr) m_str.insert(static_cast<size_t>(nIndex), psz);
    return GetLength();
}

int CString::Delete(int nIndex, int nCount) {
    nIndex = Clamp(nIndex, 0, GetLength());
    nCount = Clamp(nCount, 0, GetLength() - nIndex);
    m_str.erase(static_cast<size_t>(nIndex), static_cast<size_t>(nCount));
    return GetLength();
}

int CString::Compare(const char* psz) const {
    int r = std::strcmp(m_str.c_str(), psz != nullptr ? psz : "");
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::CompareNoCase(const char* psz) const {
    const auto* a = reinterpret_cast<const unsigned char*>(m_str.c_str());
    const auto* b = reinterpret_cast<const unsigned char*>(psz != nullptr ? psz : "");
    for (;; ++a, ++b) {
        unsigned char x = FoldAscii(*a);
        unsigned char y = FoldAscii(*b);
        if (x != y) return x < y ? -1 : 1;
        if (x == '\0') return 0;
    }
}

char* CString::GetBuffer(int nMinBufLength) {
    if (nMinBufLength > GetLength()) m_str.resize(static_cast<size_t>(nMinBufLength));
    return m_str.data();
}

char* CString::GetBufferSetLength(int nNewLength) {
    m_str.resize(static_cast<size_t>(std::max(nNewLength, 0)));
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0) {
        nNewLength = static_cast<int>(std::strlen(m_str.c_str()));
    }
    m_str.resize(static_cast<size_t>(std::min(nNewLength, GetLength())));
}

CString& CString::operator=(const char* psz) {
    m_str = psz != nullptr ? psz : "";
    return *this;
}

CString& CString::operator=(char ch) {
    m_str.assign(1, ch);
    return *this;
}

CString& CString::operator+=(const CString& str) {
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz != nullptr) m_str += psz;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) { return CString(a.str() + b.str()); }
CString operator+(const CString& a, const char* b) { return CString(a) += b; }
CString operator+(const char* a, const CString& b) { return CString(a) += b; }
CString operator+(const CString& a, char b) { return CString(a) += b; }
CString operator+(char a, const CString& b) { return CString(a) += b; }

bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, const char* b) { return !(a == b); }
bool operator!=(const char* a, const CString& b) { return !(a == b); }
bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
bool operator<(const char* a, const CString& b) { return b.Compare(a) > 0; }
bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
