/// CLogFileImpl: the inner object of a system or debug log, which owns the log's folder, its file
/// of the day and the lock that keeps its lines whole.
///
/// Files live in ``<root>\<name>\system\`` (or ``\debug\``) and are named after the kind, the log's
/// name and the day: Sorders_20240131.log. A new file is opened on the first write of a day, the
/// day being told by the day of the month alone: a write on the 5th of the next month, with no
/// write in between, still goes to the file of the 5th before. The file is opened for appending and
/// denied to other writers, so one process at a time writes a log's day file; the others' writes
/// fail.
///
/// A path that would not fit the runtime's 260-byte path buffers (MAX_PATH, terminator included)
/// is never used: its folder is not made, the day file is not opened, so every write fails, and the
/// clean-up skips the folder. Every member is safe to call from any thread.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CCriticalSection.h>
#include <Platform/CString.h>

#include <cstddef>
#include <cstdio>

class HALCYON_API CLogFileImpl {
  public:
    /// The nKind of Init.
    enum Kind : int { kSystem = 0, kDebug = 1 };

    /// Not initialised: empty strings, no file, kind system, no day seen, every file kept.
    CLogFileImpl();
    /// Closes the day file if one is open.
    ~CLogFileImpl();
    CLogFileImpl(const CLogFileImpl&) = delete;
    CLogFileImpl& operator=(const CLogFileImpl&) = delete;

    /// Stores the name, the root (ending in a backslash) and the kind, and makes the log's folders
    /// ``root\subfolder\`` and, below it, ``system\`` or ``debug\`` (one level each; failures show
    /// later as a failed write). False, changing nothing, when initialised before or given a null
    /// text.
    bool Init(int nKind, const char* pszName, const char* pszRoot, const char* pszSubFolder);

    /// Files last written more than nDays × 86400 seconds before a day file is opened are deleted
    /// then; 0 keeps every file. A negative value leaves the setting as it was.
    void SetKeepDays(int nDays);

    /// Copies of the current day file's name (no folder; empty before the first write) and of the
    /// folder that holds the log's files (ending in a backslash).
    ///@{
    CString GetFileName();
    CString GetFolder();
    ///@}

    /// Writes one line: the local time "hh:mm:ss:mmm", a tab, then the nLength bytes of pBody
    /// (which end the line with CR LF), and flushes it to the file; the day file is changed first
    /// when the day has changed. False when not initialised, when no day file is open, or when the
    /// file refuses the bytes.
    bool WriteLine(const char* pBody, size_t nLength);

    /// Deletes the log's files (`S<name>_*.log` or `D<name>_*.log` in its folder) last written more
    /// than the retention before now, as the opening of each day file does; nothing when keep days
    /// is 0 or the object is not initialised.
    void RemoveOldFiles();

  private:
    bool IsNewDay();
    bool RollOver();
    bool OpenDayFile();
    char KindLetter() const;

    CString m_strName;
    CString m_strRoot;
    CString m_strFolder;
    CString m_strSubFolder;
    CString m_strFileName;
    std::FILE* m_pFile;
    int m_nKind;
    int m_nLastDay;
    bool m_bInitialised;
    CCriticalSection m_lock;
    int m_nKeepDays;
};
