// SPDX-License-Identifier: Apache-2.0
#include <Platform/CFileException.h>

#include "Platform/Win.h"

#include <cstdio>
#include <new>

namespace {

// Set by CException::operator new for the constructor that runs next on this thread, so that an
// exception made with new frees itself in Delete() and one on the stack does not.
thread_local bool t_madeByNew = false;

struct ErrorCause {
    long error;
    int cause;
};

// The framework's table of Windows errors and causes.
constexpr ErrorCause kCauses[] = {
    {2, CFileException::fileNotFound},      {3, CFileException::badPath},
    {4, CFileException::tooManyOpenFiles},  {5, CFileException::accessDenied},
    {6, CFileException::fileNotFound},      {15, CFileException::badPath},
    {16, CFileException::removeCurrentDir}, {18, CFileException::directoryFull},
    {19, CFileException::accessDenied},     {32, CFileException::sharingViolation},
    {33, CFileException::lockViolation},    {38, CFileException::endOfFile},
    {39, CFileException::diskFull},         {80, CFileException::accessDenied},
    {82, CFileException::directoryFull},    {112, CFileException::diskFull},
    {123, CFileException::badPath},         {131, CFileException::badSeek},
    {132, CFileException::badSeek},         {161, CFileException::badPath},
    {183, CFileException::accessDenied},    {206, CFileException::badPath},
    {267, CFileException::badPath},         {1006, CFileException::invalidFile},
};

const char* const kCauseTexts[] = {
    "no error",
    "an unspecified error occurred",
    "the file could not be found",
    "all or part of the path is invalid",
    "too many files are open",
    "access to the file was denied",
    "the file handle is invalid",
    "the current working directory cannot be removed",
    "there are no more directory entries",
    "the file pointer could not be moved",
    "a hardware input/output error occurred",
    "a sharing violation occurred",
    "a locking violation occurred",
    "the disk is full",
    "the end of the file was reached",
};

}  // namespace

void* CException::operator new(std::size_t size) {
    void* p = ::operator new(size);
    t_madeByNew = true;
    return p;
}

void CException::operator delete(void* p) { ::operator delete(p); }

CException::CException() : m_bAutoDelete(t_madeByNew) { t_madeByNew = false; }

CException::~CException() = default;

void CException::Delete() {
    if (m_bAutoDelete) delete this;
}

int CException::GetErrorMessage(char* lpszError, unsigned int nMaxError,
                                unsigned int* pnHelpContext) const {
    if (pnHelpContext != nullptr) *pnHelpContext = 0;
    if (lpszError != nullptr && nMaxError > 0) *lpszError = '\0';
    return FALSE;
}

CFileException::CFileException(int cause, long lOsError, const char* lpszArchiveName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszArchiveName) {}

int CFileException::OsErrorToException(long lOsError) {
    for (const ErrorCause& entry : kCauses) {
        if (entry.error == lOsError) return entry.cause;
    }
    return genericException;
}

void CFileException::ThrowOsError(long lOsError, const char* lpszFileName) {
    if (lOsError != 0) AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

int CFileException::GetErrorMessage(char* lpszError, unsigned int nMaxError,
                                    unsigned int* pnHelpContext) const {
    if (pnHelpContext != nullptr) *pnHelpContext = 0;
    if (lpszError == nullptr || nMaxError == 0) return FALSE;
    bool known = m_cause >= none && m_cause <= endOfFile;
    const char* text = kCauseTexts[known ? m_cause : genericException];
    std::snprintf(lpszError, nMaxError, "%s: %s",
                  m_strFileName.IsEmpty() ? "file" : m_strFileName.GetString(), text);
    return TRUE;
}

void AfxThrowFileException(int cause, long lOsError, const char* lpszFileName) {
    throw new CFileException(cause, lOsError, lpszFileName);
}
