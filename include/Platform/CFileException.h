/// \file
/// CException and CFileException: the framework's exceptions, thrown by pointer.
///
/// The framework throws `new CFileException(...)` and the catcher calls `Delete()` on it, which
/// frees an exception made with new and leaves one on the stack alone:
///
///     try { file.Read(buf, n); } catch (CFileException* e) { report(e->m_cause); e->Delete(); }
#pragma once

#include <HalcyonApi.h>
#include <Platform/CString.h>

#include <cstddef>

/// The base of the framework's exceptions.
class HALCYON_API CException {
  public:
    CException();
    virtual ~CException();
    CException(const CException&) = delete;
    CException& operator=(const CException&) = delete;

    /// Frees the exception when it was made with new; otherwise does nothing.
    void Delete();
    /// A description of the failure in `lpszError` (nMaxError bytes, NUL-terminated); false when
    /// there is none. `pnHelpContext` receives 0 when given.
    virtual int GetErrorMessage(char* lpszError, unsigned int nMaxError,
                                unsigned int* pnHelpContext = nullptr) const;

    /// An exception made with new is freed by Delete.
    ///@{
    static void* operator new(std::size_t size);
    static void operator delete(void* p);
    ///@}

  protected:
    bool m_bAutoDelete;  ///< made with new
};

/// A failed file operation: its cause, the Windows error and the file.
class HALCYON_API CFileException : public CException {
  public:
    /// The causes, in the framework's order.
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    /// The given cause, error and file name.
    explicit CFileException(int cause = none, long lOsError = -1,
                            const char* lpszArchiveName = nullptr);

    /// The cause for Windows error `lOsError` (ERROR_FILE_NOT_FOUND gives fileNotFound, …);
    /// genericException for errors without a cause of their own.
    static int OsErrorToException(long lOsError);
    /// Throws `new CFileException` for Windows error `lOsError`; nothing when it is 0.
    static void ThrowOsError(long lOsError, const char* lpszFileName = nullptr);

    int GetErrorMessage(char* lpszError, unsigned int nMaxError,
                        unsigned int* pnHelpContext = nullptr) const override;

    int m_cause;            ///< one of the causes above
    long m_lOsError;        ///< the Windows error code, -1 when there is none
    CString m_strFileName;  ///< the file the failure concerns
};

/// Throws `new CFileException(cause, lOsError, lpszFileName)`.
[[noreturn]] HALCYON_API void AfxThrowFileException(int cause, long lOsError = -1,
                                                    const char* lpszFileName = nullptr);
