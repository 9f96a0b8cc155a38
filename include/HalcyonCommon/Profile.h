/// \file
/// Reading INI-style profile files: a process-wide cache of parsed files (SProfileInfo), and thin
/// checked wrappers around the platform's own profile functions (s_Config…).
///
/// The two families are independent. A value written with s_ConfigWriteProfileString or
/// s_ConfigWriteProfileInt goes to the file through the platform and is not seen by SProfileInfo
/// until that file's entry is erased (SProfileInfo::EraseObj or EraseAll).
#pragma once

#include <HalcyonCommon/Export.h>

#include <string_view>

namespace halcyon::profile {
class Table;
}

/// One parsed profile file, and the process-wide cache of them.
///
/// A file is read from disk and parsed once, on the first read that names it; every later read of
/// it is answered from memory, and changes to the file are not seen until its entry is erased. A
/// file that cannot be opened (missing, a folder, held open by another handle) yields the
/// defaults, and that too is remembered until the entry is erased. The file is opened without
/// sharing, by its path upper-cased (file names are case-insensitive on Windows; on Linux each
/// existing component is found without regard to case, an exact match first).
///
/// Parsing, which differs from the platform's profile functions:
/// - Lines end at line feeds; a zero byte ends the text. Leading blanks are ignored; a line shorter
///   than 2 bytes or beginning with ";" is ignored.
/// - A line beginning with "[" is a header; the section's name is the text between "[" and the
///   first "]", trimmed. A header without "]" starts a section whose keys are dropped (or, as the
///   last header of the file, go to the section with the empty name).
/// - Other lines with "=" past their first byte are keys: name before it, trimmed; value after it,
///   trimmed, case and quotes kept. Within one section the first line for a key wins; a section
///   that occurs again replaces the earlier occurrence completely.
/// - Keys before the first header are dropped when the file has a header, and form the section
///   with the empty name when it has none.
/// Section and key names are matched without regard to the case of ASCII letters and with blanks
/// trimmed; double-byte characters are compared as they are.
///
/// The cache is keyed by the path exactly as the caller spells it: two spellings of one file are
/// two entries. EraseObj removes every entry whose path matches the given one without regard to
/// the case of ASCII letters.
///
/// Any thread may call; one process-wide lock guards the cache and is held for each whole call,
/// including the first read of a file.
class HALCYON_API SProfileInfo {
  public:
    /// Copies of a cached file's parsed contents.
    ///@{
    SProfileInfo(const SProfileInfo& other);
    SProfileInfo& operator=(const SProfileInfo& other);
    ///@}
    virtual ~SProfileInfo();

    /// Copies the value of key lpKeyName in section lpAppName of file lpFileName, or lpDefault
    /// when the file, the section or the key is missing, into the buffer: at most nSize - 1 bytes
    /// and a terminating zero. Returns the bytes copied, not counting the zero. A null section or
    /// key is the empty name (these do not list names); a null default is the empty text. With a
    /// null buffer or nSize 0 nothing is written and 0 is returned.
    static unsigned long GetPrivateProfileStringA(const char* lpAppName, const char* lpKeyName,
                                                  const char* lpDefault, char* lpReturnedString,
                                                  unsigned long nSize, const char* lpFileName);

    /// The value converted as atol does (leading blanks, an optional sign, decimal digits up to
    /// the first other character, 0 without digits; out of range it saturates at the long limits
    /// of 32 bits), in two's complement; nDefault when the file, the section or the key is missing.
    /// An empty value gives 0.
    static unsigned int GetPrivateProfileIntA(const char* lpAppName, const char* lpKeyName,
                                              int nDefault, const char* lpFileName);

    /// Drops the cached entries of lpFileName (any case of its ASCII letters); the next read
    /// parses the file again. A null path is ignored.
    static void EraseObj(const char* lpFileName);
    /// Drops every cached file.
    static void EraseAll();

  private:
    SProfileInfo();

    /// The cached object of the file, read and parsed on its first use; null when the file could
    /// not be opened. Called with the lock held.
    static SProfileInfo* GetObj(std::string_view fileName);
    /// Reads and parses the file; false when it cannot be opened.
    bool InitialProfileInfo(std::string_view fileName);
    unsigned long GetValueData(const char* lpAppName, const char* lpKeyName, const char* lpDefault,
                               char* lpReturnedString, unsigned long nSize) const;
    unsigned int GetValueData(const char* lpAppName, const char* lpKeyName, int nDefault) const;

    halcyon::profile::Table* m_pTable;
};

// Thin wrappers around the platform's profile functions; no cache, no lock. Each refuses null
// arguments (and a zero size) with the result given and leaves the platform alone then.

/// The section names of the file (GetPrivateProfileSectionNamesA); 0 when refused.
HALCYON_API unsigned long s_ConfigProfileSectionNames(char* lpszReturnBuffer, unsigned long nSize,
                                                      const char* lpFileName);
/// GetPrivateProfileIntA; nDefault when section, key or file is null.
HALCYON_API unsigned int s_ConfigReadProfileInt(const char* lpAppName, const char* lpKeyName,
                                                int nDefault, const char* lpFileName);
/// GetPrivateProfileStringA; 0, with the buffer untouched, when any pointer is null or nSize is 0.
HALCYON_API unsigned long s_ConfigReadProfileString(const char* lpAppName, const char* lpKeyName,
                                                    const char* lpDefault, char* lpReturnedString,
                                                    unsigned long nSize, const char* lpFileName);
/// Writes the value as "%d" with WritePrivateProfileStringA; its result (non-zero on success), or
/// 0 when section, key or file is null.
HALCYON_API int s_ConfigWriteProfileInt(const char* lpAppName, const char* lpKeyName, int nValue,
                                        const char* lpFileName);
/// WritePrivateProfileStringA; 0 when any argument is null (so it deletes neither keys nor
/// sections).
HALCYON_API int s_ConfigWriteProfileString(const char* lpAppName, const char* lpKeyName,
                                           const char* lpString, const char* lpFileName);

/// True when lpFileName is a file that can be opened for reading (it is closed again at once);
/// false for a folder, a missing or unreadable file, and a null path.
HALCYON_API bool s_FileCheckFileExist(const char* lpFileName);
