/// CFileFind: the framework's folder search.
///
/// FindFile starts a search (null or empty: "*.*" in the current folder) and says whether anything
/// matches; FindNextFile must then be called before the first entry is read, and returns false
/// when the entry it just fetched is the last one (that entry is still valid):
///
///     CFileFind find;
///     for (bool more = find.FindFile("C:\\Data\\*.dat"); more;) {
///         more = find.FindNextFile();
///         if (!find.IsDots()) use(find.GetFilePath());
///     }
#pragma once

#include <Platform/CObject.h>
#include <Platform/CString.h>
#include <Platform/WinHandles.h>

#include <cstdint>

// <windows.h> names FindNextFileA as FindNextFile; the member keeps its own name.
#undef FindNextFile

class HALCYON_API CFileFind : public CObject {
  public:
    CFileFind();
    ~CFileFind() override;

    /// Starts, continues and ends a search, as described above.
    ///@{
    virtual int FindFile(const char* pstrName = nullptr, unsigned long dwUnused = 0);
    virtual int FindNextFile();
    void Close();
    ///@}

    /// The current entry; empty, 0 or false before the first FindNextFile.
    ///@{
    CString GetFileName() const;
    CString GetFilePath() const;  ///< the searched folder and the entry's name
    CString GetRoot() const;      ///< the searched folder, with its separator
    std::uint64_t GetLength() const;
    bool IsDirectory() const;
    bool IsDots() const;
    ///@}

  protected:
    void* m_pFoundInfo;  ///< the current entry
    void* m_pNextInfo;   ///< the entry fetched ahead
    void* m_hContext;    ///< the system's search handle
    CString m_strRoot;   ///< the searched folder
};
