// SPDX-License-Identifier: Apache-2.0
#include <Platform/CFile.h>

#include "Platform/Win.h"

#include <cstdint>

void* const CFile::hFileNull = INVALID_HANDLE_VALUE;

namespace {

constexpr unsigned int kAccessMask = 0x3;
constexpr unsigned int kShareMask = 0x70;

bool AccessOf(unsigned int flags, win::DWORD& access) {
    static const win::DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    unsigned int mode = flags & kAccessMask;
    if (mode > 2) return false;
    access = kAccess[mode];
    return true;
}

// shareCompat and shareExclusive share nothing; the framework has no modes above shareDenyNone.
bool ShareOf(unsigned int flags, win::DWORD& share) {
    static const win::DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE};
    unsigned int mode = (flags & kShareMask) >> 4;
    if (mode > 4) return false;
    share = kShare[mode];
    return true;
}

win::DWORD DispositionOf(unsigned int flags) {
    if ((flags & CFile::modeCreate) == 0) return OPEN_EXISTING;
    return (flags & CFile::modeNoTruncate) != 0 ? OPEN_ALWAYS : CREATE_ALWAYS;
}

win::DWORD AttributesOf(unsigned int flags) {
    win::DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if ((flags & CFile::osNoBuffer) != 0) attributes |= FILE_FLAG_NO_BUFFERING;
    if ((flags & CFile::osWriteThrough) != 0) attributes |= FILE_FLAG_WRITE_THROUGH;
    if ((flags & CFile::osRandomAccess) != 0) attributes |= FILE_FLAG_RANDOM_ACCESS;
    if ((flags & CFile::osSequentialScan) != 0) attributes |= FILE_FLAG_SEQUENTIAL_SCAN;
    return attributes;
}

void Report(CFileException* pError, int cause, long osError, const char* fileName) {
    if (pError == nullptr) return;
    pError->m_cause = cause;
    pError->m_lOsError = osError;
    pError->m_strFileName = fileName;
}

}  // namespace

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(void* hFile) : m_hFile(hFile), m_bCloseOnDelete(FALSE) {}

CFile::CFile(const char* lpszFileName, unsigned int nOpenFlags) : CFile() {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error)) {
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
    }
}

CFile::~CFile() {
    if (m_hFile != hFileNull && m_bCloseOnDelete) Abort();
}

int CFile::Open(const char* lpszFileName, unsigned int nOpenFlags, CFileException* pError) {
    if (m_hFile != hFileNull) {
        Report(pError, CFileException::invalidFile, -1, lpszFileName);
        return FALSE;
    }
    win::DWORD access = 0;
    win::DWORD share = 0;
    if (lpszFileName == nullptr || *lpszFileName == '\0' || !AccessOf(nOpenFlags, access) ||
        !ShareOf(nOpenFlags, share)) {
        Report(pError, CFileException::genericException, ERROR_INVALID_PARAMETER, lpszFileName);
        return FALSE;
    }
    win::SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, (nOpenFlags & modeNoInherit) == 0};
    win::HANDLE handle =
        win::CreateFileA(lpszFileName, access, share, &sa, DispositionOf(nOpenFlags),
                         AttributesOf(nOpenFlags), nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        long error = static_cast<long>(win::GetLastError());
        Report(pError, CFileException::OsErrorToException(error), error, lpszFileName);
        return FALSE;
    }
    m_hFile = handle;
    m_bCloseOnDelete = TRUE;
    m_strFileName = lpszFileName;
    return TRUE;
}

unsigned int CFile::Read(void* lpBuf, unsigned int nCount) {
    if (nCount == 0) return 0;
    win::DWORD read = 0;
    if (!win::ReadFile(m_hFile, lpBuf, nCount, &read, nullptr)) {
        CFileException::ThrowOsError(static_cast<long>(win::GetLastError()), m_strFileName);
    }
    return read;
}

void CFile::Write(const void* lpBuf, unsigned int nCount) {
    if (nCount == 0) return;
    win::DWORD written = 0;
    if (!win::WriteFile(m_hFile, lpBuf, nCount, &written, nullptr)) {
        CFileException::ThrowOsError(static_cast<long>(win::GetLastError()), m_strFileName);
    }
    if (written != nCount) AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

std::uint64_t CFile::Seek(std::int64_t lOff, unsigned int nFrom) {
    if (nFrom > end) {
        AfxThrowFileException(CFileException::badSeek, ERROR_INVALID_PARAMETER, m_strFileName);
    }
    auto high = static_cast<win::LONG>(static_cast<std::uint64_t>(lOff) >> 32);
    auto low = static_cast<win::LONG>(static_cast<std::uint32_t>(lOff));
    win::DWORD position = win::SetFilePointer(m_hFile, low, &high, nFrom);
    if (position == INVALID_SET_FILE_POINTER) {
        win::DWORD error = win::GetLastError();
        if (error != NO_ERROR)
            CFileException::ThrowOsError(static_cast<long>(error), m_strFileName);
    }
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | position;
}

std::uint64_t CFile::GetPosition() const {
    win::LONG high = 0;
    win::DWORD position = win::SetFilePointer(m_hFile, 0, &high, FILE_CURRENT);
    if (position == INVALID_SET_FILE_POINTER) {
        win::DWORD error = win::GetLastError();
        if (error != NO_ERROR)
            CFileException::ThrowOsError(static_cast<long>(error), m_strFileName);
    }
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | position;
}

std::uint64_t CFile::GetLength() const {
    win::DWORD high = 0;
    win::DWORD low = win::GetFileSize(m_hFile, &high);
    if (low == INVALID_FILE_SIZE) {
        win::DWORD error = win::GetLastError();
        if (error != NO_ERROR)
            CFileException::ThrowOsError(static_cast<long>(error), m_strFileName);
    }
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

void CFile::SetLength(std::uint64_t dwNewLen) {
    Seek(static_cast<std::int64_t>(dwNewLen), begin);
    if (!win::SetEndOfFile(m_hFile)) {
        CFileException::ThrowOsError(static_cast<long>(win::GetLastError()), m_strFileName);
    }
}

void CFile::Flush() {
    if (m_hFile == hFileNull) return;
    if (!win::FlushFileBuffers(m_hFile)) {
        CFileException::ThrowOsError(static_cast<long>(win::GetLastError()), m_strFileName);
    }
}

void CFile::Close() {
    bool failed = false;
    long error = 0;
    if (m_hFile != hFileNull) {
        failed = !win::CloseHandle(m_hFile);
        if (failed) error = static_cast<long>(win::GetLastError());
    }
    CString name = m_strFileName;
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
    if (failed) CFileException::ThrowOsError(error, name);
}

void CFile::Abort() {
    if (m_hFile != hFileNull) win::CloseHandle(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
}

CString CFile::GetFilePath() const { return m_strFileName; }

CString CFile::GetFileName() const {
    int slash = m_strFileName.ReverseFind('\\');
    int other = m_strFileName.ReverseFind('/');
    int colon = m_strFileName.ReverseFind(':');
    int cut = slash > other ? slash : other;
    cut = cut > colon ? cut : colon;
    return m_strFileName.Mid(cut + 1);
}

CString CFile::GetFileTitle() const {
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}

void CFile::SetFilePath(const char* lpszNewName) { m_strFileName = lpszNewName; }

void CFile::Remove(const char* lpszFileName) {
    if (!win::DeleteFileA(lpszFileName)) {
        CFileException::ThrowOsError(static_cast<long>(win::GetLastError()), lpszFileName);
    }
}
