/// \file
/// CSystemLog and CDebugLog: the terminal's named logs, one file per day.
///
/// Modules obtain them from s_NimbusLogGetSystemLogObj and s_NimbusLogGetDebugLogObj
/// (`<NimbusLog/LogRegistry.h>`), which own them; a caller never deletes one. The log root is the
/// parent of the executable's folder followed by ``\LOG\`` when that folder is named BIN or SPU (in
/// any case), else the executable's folder followed by ``\LOGS\``. A system log named orders writes
/// `<root>\orders\system\Sorders_YYYYMMDD.log`, a debug log `<root>\orders\debug\Dorders_….log`.
/// Every line is flushed at once and ends in CR LF; writes from several threads never mix within a
/// line. Their members are safe to call from any thread.
#pragma once

#include <HalcyonCommon/Export.h>
#include <NimbusLog/LogFileImpl.h>

/// A system log: lines of a level, a value and two texts.
class HALCYON_API CSystemLog {
  public:
    CSystemLog();
    ~CSystemLog();
    CSystemLog(const CSystemLog&) = delete;
    CSystemLog& operator=(const CSystemLog&) = delete;

    /// "1.1.0R01", the log classes' own version.
    static const char* GetVersion();

    /// Finds the log root and makes the folders of log pszName. False when called before on this
    /// object, or when pszName is null.
    bool Init(const char* pszName);

    /// See CLogFileImpl::SetKeepDays: 0 keeps every file; negative values are ignored.
    void SetKeepDays(int nDays);

    /// Writes `"hh:mm:ss:mmm\t<level>\t<nValue>\t<text1>\t<text2>\r\n"`, the level padded to 8:
    /// 1 WARNING, 2 MEDIUM, 3 HIGH, 4 CRITICAL, anything else INFO. A null text prints "(null)".
    /// False when the line could not be written (see CLogFileImpl::WriteLine).
    bool Write(int nLevel, int nValue, const char* pszText1, const char* pszText2);

    /// The inner object, for its file name and folder.
    CLogFileImpl* GetLogFile() const { return m_pImpl; }

  private:
    CLogFileImpl* m_pImpl;
};

/// A debug log: lines of a source file, a line number and a message.
class HALCYON_API CDebugLog {
  public:
    CDebugLog();
    ~CDebugLog();
    CDebugLog(const CDebugLog&) = delete;
    CDebugLog& operator=(const CDebugLog&) = delete;

    static const char* GetVersion();  ///< \copydoc CSystemLog::GetVersion
    bool Init(const char* pszName);   ///< \copydoc CSystemLog::Init
    void SetKeepDays(int nDays);      ///< \copydoc CSystemLog::SetKeepDays

    /// Writes `"hh:mm:ss:mmm\t<source>\t<nLine>\t<message>\r\n"`, where source is the text of
    /// pszSourceFile after its last backslash (all of it without one), padded to 20.
    bool Write(const char* pszSourceFile, int nLine, const char* pszMessage);

    CLogFileImpl* GetLogFile() const { return m_pImpl; }  ///< \copydoc CSystemLog::GetLogFile

  private:
    CLogFileImpl* m_pImpl;
};
