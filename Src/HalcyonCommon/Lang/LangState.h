// The localisation's process-wide state: the string table, the line list, the profile buffer
// shared by the settings reads, and the file reading and reporting that loading shares.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CString.h>

#include <map>
#include <string>
#include <vector>

namespace halcyon::lang {

using Section = std::map<std::string, std::string>;
using StringTable = std::map<std::string, Section>;

StringTable& Table();
// The non-empty lines of the last text split by s_LangGetAllLine (exported for the tests).
std::vector<CString>& Lines();

// Splits the joined text of the language files into lines and adds their entries to the string
// table (the text is changed in place). Exported for the fuzz targets.
void AddLanguageText(std::vector<char>& text);

// The 4096-byte buffer of the profile reads of the language settings and the service list.
constexpr unsigned int kProfileBufferSize = 4096;
char* ProfileBuffer();

// root\Sys\Language\ (with the trailing backslash) and the language settings file in it.
CString LanguageFolder();
CString LanguageIniPath();

// Reads one value of the language settings file into the profile buffer and returns it.
CString ReadSetting(const char* section, const char* key, const char* defaultValue);

// How reading a whole file ended.
enum class ReadResult { kRead, kOpenFailed, kShortRead };

// Reads file `path` whole into `bytes` with CFile. On kOpenFailed `cause` holds the failure's
// cause code (CFileException::m_cause); an error while reading also counts as kOpenFailed.
// Files above kMaxFileSize are refused as a short read.
constexpr unsigned long long kMaxFileSize = 64ULL * 1024 * 1024;
ReadResult ReadWholeFile(const CString& path, std::vector<char>& bytes, int& cause,
                         CString& fileName);

// The two message boxes of a file that cannot be loaded.
void ReportOpenFailure(const CString& path, int cause);
void ReportReadFailure(const CString& fileName);

}  // namespace halcyon::lang
