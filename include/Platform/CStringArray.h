/// CStringArray: the host framework's growable array of CString.
#pragma once

#include <Platform/CString.h>

#include <vector>

class HALCYON_API CStringArray {
  public:
    /// The number of elements, the last index (-1 when empty), whether it is empty, and a new
    /// size (added elements are empty).
    ///@{
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return m_items.empty(); }
    void SetSize(int nNewSize);
    ///@}

    /// Out-of-range indices give an empty string (GetAt) or are ignored (SetAt, RemoveAt).
    ///@{
    CString GetAt(int nIndex) const;
    void SetAt(int nIndex, const char* psz);
    CString& ElementAt(int nIndex);
    CString& operator[](int nIndex) { return ElementAt(nIndex); }
    CString operator[](int nIndex) const { return GetAt(nIndex); }
    ///@}

    /// Adding and removing, as the framework's: Add returns the new element's index, Append the
    /// index of the first element appended.
    ///@{
    int Add(const char* psz);
    int Append(const CStringArray& src);
    void InsertAt(int nIndex, const char* psz, int nCount = 1);
    void RemoveAt(int nIndex, int nCount = 1);
    void RemoveAll() { m_items.clear(); }
    ///@}

  private:
    std::vector<CString> m_items;
    CString m_scratch;  ///< what ElementAt hands out for an index outside the array
};
