/// CFile: the framework's unbuffered binary file on a Win32 file handle.
///
/// Open returns FALSE and fills the caller's CFileException on failure; every other member throws
/// `CFileException*` (see CFileException.h) when the system call fails. The open flags are the
/// framework's: one access mode, one share mode, and the creation and option bits. The share mode
/// goes to CreateFileA as its share mode, so another open of the same file, in this process or
/// another, is refused with sharingViolation when the two conflict.
///
/// Derived classes override the virtual members (Open, Read, Write, Seek, Close, …) as they do
/// with the framework's class; the destructor closes a file that is still open, swallowing errors.
#pragma once

#include <HalcyonApi.h>
#include <Platform/CFileException.h>
#include <Platform/CObject.h>
#include <Platform/CString.h>

#include <cstdint>

class HALCYON_API CFile : public CObject {
  public:
    /// The open flags, the framework's values.
    enum OpenFlags : unsigned int {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,  ///< taken as shareExclusive
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,      ///< create, or truncate an existing file
        modeNoTruncate = 0x2000,  ///< with modeCreate: open an existing file as it is
        typeText = 0x4000,        ///< for derived text classes; CFile itself is binary
        typeBinary = 0x8000,
        osNoBuffer = 0x10000,
        osWriteThrough = 0x20000,
        osRandomAccess = 0x40000,
        osSequentialScan = 0x80000,
    };
    /// Where Seek counts from.
    enum SeekPosition : unsigned int { begin = 0x0, current = 0x1, end = 0x2 };

    /// The handle value of a CFile with no open file (INVALID_HANDLE_VALUE).
    static void* const hFileNull;

    CFile();
    /// Wraps an open handle; the CFile does not close it on destruction.
    explicit CFile(void* hFile);
    /// Opens the file or throws CFileException*.
    CFile(const char* lpszFileName, unsigned int nOpenFlags);
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    /// The handle, m_hFile.
    operator void*() const { return m_hFile; }  // NOLINT: the framework's operator HANDLE

    /// Opens lpszFileName; FALSE on failure, with *pError (when given) holding the cause, the
    /// Windows error and the file name. A CFile that is already open fails with invalidFile.
    virtual int Open(const char* lpszFileName, unsigned int nOpenFlags,
                     CFileException* pError = nullptr);
    /// Reads up to nCount bytes; the number read, 0 at the end of the file.
    virtual unsigned int Read(void* lpBuf, unsigned int nCount);
    /// Writes all nCount bytes (diskFull when the system writes fewer).
    virtual void Write(const void* lpBuf, unsigned int nCount);
    /// Moves by lOff from begin, current or end; returns the new position.
    virtual std::uint64_t Seek(std::int64_t lOff, unsigned int nFrom);
    /// The position, the length, a new length, and the system's buffers written out; all throw
    /// on failure.
    ///@{
    virtual std::uint64_t GetPosition() const;
    virtual std::uint64_t GetLength() const;
    virtual void SetLength(std::uint64_t dwNewLen);
    virtual void Flush();
    ///@}
    /// Closes the file; throws when the system reports an error (the CFile is closed regardless).
    virtual void Close();
    /// Closes the file, ignoring errors.
    virtual void Abort();

    std::uint64_t SeekToEnd() { return Seek(0, end); }  ///< Seek(0, end)
    void SeekToBegin() { Seek(0, begin); }              ///< Seek(0, begin)

    /// The path as given to Open, its last component, and that component without its extension.
    ///@{
    virtual CString GetFilePath() const;
    virtual CString GetFileName() const;
    virtual CString GetFileTitle() const;
    virtual void SetFilePath(const char* lpszNewName);
    ///@}

    /// Deletes a file; throws CFileException* on failure.
    static void Remove(const char* lpszFileName);

    void* m_hFile;         ///< the handle, hFileNull when none
    int m_bCloseOnDelete;  ///< whether the destructor closes it

  protected:
    CString m_strFileName;  ///< the path as given to Open
};
