// CString: the 8-bit string of the host framework, in the active code page.
//
// Lengths and indices count bytes. Find, ReverseFind, MakeUpper and MakeLower honour double-byte
// characters of the active code page: a trail byte is never taken for a single character.
// Compare is byte order (unsigned), CompareNoCase folds ASCII letters only.
#pragma once

#include <HalcyonApi.h>

#include <cstdarg>
#include <string>

class HALCYON_API CString {
  public:
    CString() = default;
    CString(const char* psz);  // NOLINT: implicit as in the framework; null gives ""
    CString(const char* pch, int nLength);
    CString(char ch, int nRepeat = 1);
    CString(const std::string& str) : m_str(str) {}  // NOLINT

    operator const char*() const { return m_str.c_str(); }  // NOLINT
    const char* GetString() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch);

    void Format(const char* pszFormat, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void FormatV(const char* pszFormat, va_list args);
    void AppendFormat(const char* pszFormat, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;

    CString& MakeUpper();
    CString& MakeLower();
    CString& Trim();
    CString& Trim(char chTarget);
    CString& Trim(const char* pszTargets);
    CString& TrimLeft();
    CString& TrimLeft(char chTarget);
    CString& TrimLeft(const char* pszTargets);
    CString& TrimRight();
    CString& TrimRight(char chTarget);
    CString& TrimRight(const char* pszTargets);
    int Replace(char chOld, char chNew);
    int Replace(const char* pszOld, const char* pszNew);
    int Remove(char ch);
    int Insert(int nIndex, const char* psz);
    int Delete(int nIndex, int nCount = 1);

    int Compare(const char* psz) const;
    int CompareNoCase(const char* psz) const;

    // GetBuffer gives a writable buffer of at least nMinBufLength bytes plus a terminator,
    // holding the current text; ReleaseBuffer(-1) takes the length up to the first NUL.
    char* GetBuffer(int nMinBufLength = 0);
    char* GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

    CString& operator=(const char* psz);
    CString& operator=(char ch);
    CString& operator+=(const CString& str);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);

  private:
    std::string m_str;
};

HALCYON_API CString operator+(const CString& a, const CString& b);
HALCYON_API CString operator+(const CString& a, const char* b);
HALCYON_API CString operator+(const char* a, const CString& b);
HALCYON_API CString operator+(const CString& a, char b);
HALCYON_API CString operator+(char a, const CString& b);

HALCYON_API bool operator==(const CString& a, const CString& b);
HALCYON_API bool operator==(const CString& a, const char* b);
HALCYON_API bool operator==(const char* a, const CString& b);
HALCYON_API bool operator!=(const CString& a, const CString& b);
HALCYON_API bool operator!=(const CString& a, const char* b);
HALCYON_API bool operator!=(const char* a, const CString& b);
HALCYON_API bool operator<(const CString& a, const CString& b);
HALCYON_API bool operator<(const CString& a, const char* b);
HALCYON_API bool operator<(const char* a, const CString& b);
HALCYON_API bool operator>(const CString& a, const CString& b);
HALCYON_API bool operator<=(const CString& a, const CString& b);
HALCYON_API bool operator>=(const CString& a, const CString& b);
