/// CString: the 8-bit string of the host framework, in the active code page.
///
/// Lengths and indices count bytes. Find, ReverseFind, MakeUpper and MakeLower honour double-byte
/// characters of the active code page: a trail byte is never taken for a single character.
/// Compare is byte order (unsigned), CompareNoCase folds ASCII letters only.
#pragma once

#include <HalcyonApi.h>

#include <cstdarg>
#include <string>

class HALCYON_API CString {
  public:
    /// Empty, from a text (null gives ""), from nLength bytes, from nRepeat copies of a byte.
    ///@{
    CString() = default;
    CString(const char* psz);  // NOLINT: implicit as in the framework; null gives ""
    CString(const char* pch, int nLength);
    CString(char ch, int nRepeat = 1);
    CString(const std::string& str) : m_str(str) {}  // NOLINT
    ///@}

    /// The text, NUL-terminated, valid until the string changes.
    ///@{
    operator const char*() const { return m_str.c_str(); }  // NOLINT
    const char* GetString() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }
    ///@}

    /// Length and single bytes, as the framework's.
    ///@{
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch);
    ///@}

    /// printf formatting: Format and FormatV replace the text, AppendFormat appends.
    ///@{
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
    ///@}

    /// Parts of the text, as the framework's (counts beyond the text are cut to it).
    ///@{
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    ///@}

    /// Zero-based index of the byte or text found, -1 when none.
    ///@{
    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;
    ///@}

    /// Changes in place, as the framework's; Replace, Remove, Insert and Delete return the
    /// count replaced or removed, or the new length.
    ///@{
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
    ///@}

    /// Negative, 0 or positive as this text sorts before, with or after psz.
    ///@{
    int Compare(const char* psz) const;
    int CompareNoCase(const char* psz) const;
    ///@}

    /// GetBuffer gives a writable buffer of at least nMinBufLength bytes plus a terminator,
    /// holding the current text; ReleaseBuffer(-1) takes the length up to the first NUL.
    ///@{
    char* GetBuffer(int nMinBufLength = 0);
    char* GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);
    ///@}

    /// Assignment and appending.
    ///@{
    CString& operator=(const char* psz);
    CString& operator=(char ch);
    CString& operator+=(const CString& str);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);
    ///@}

  private:
    std::string m_str;
};

/// Concatenation.
///@{
HALCYON_API CString operator+(const CString& a, const CString& b);
HALCYON_API CString operator+(const CString& a, const char* b);
HALCYON_API CString operator+(const char* a, const CString& b);
HALCYON_API CString operator+(const CString& a, char b);
HALCYON_API CString operator+(char a, const CString& b);
///@}

/// Comparison as Compare does it.
///@{
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
///@}
