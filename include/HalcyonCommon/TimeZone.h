/// \file
/// Market time zones: a table of one-character zone codes, each with its offset from GMT in
/// minutes, read from the control file "TimeZone.Ctl" in the installation's SYS folder.
///
/// The control file is text. A line that starts with '/' is a comment. Any other line holds at
/// least two fields separated by spaces or commas: the zone code (the first character of the first
/// field) and the offset from GMT in minutes (a signed decimal number, positive east of Greenwich,
/// -720 to 720); further fields are ignored. Lines are read 255 characters at a time. The table
/// ends at the first line that does not hold a zone: an empty line, a line with one field, an
/// offset out of range or a code seen before. Everything before that line is kept.
///
///     / code, minutes from GMT
///     T,480
///     N -300
///
/// Nothing here is locked: callers create, reread and release the process-wide table apart from
/// each other and from the queries (typically at start-up and shut-down).
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/CObList.h>
#include <Platform/CObject.h>

#include <cstdint>

/// One zone: its code and its offset from GMT (zone time = GMT + offset, in minutes).
class HALCYON_API CTimeZoneNode : public CObject {
  public:
    CTimeZoneNode(unsigned char byZoneCode, long lTimeDiff);  ///< the zone as given, unchecked
    /// Code 0xFF, offset 0.
    CTimeZoneNode();
    ~CTimeZoneNode() override;

    long GetTimeDiffFromGMT();  ///< m_lTimeDiff

    unsigned char m_byZoneCode;  ///< the zone's code
    std::int32_t m_lTimeDiff;    ///< the offset from GMT in minutes
};

/// The table of zones, in the order they were added. The list owns its CTimeZoneNode objects.
class HALCYON_API CTimeZone : public CObject {
  public:
    /// An empty table, then InitialControlFile().
    CTimeZone();
    /// RemoveAllTimeZoneNode().
    ~CTimeZone() override;

    /// Reads the control file and appends its zones to those already there. A file that cannot
    /// be opened adds nothing.
    void InitialControlFile();
    /// Appends a zone; false, and nothing added, when the offset lies outside -720 to 720 or the
    /// code is in the table already.
    bool InsertTimeZoneNode(unsigned char byZoneCode, long lTimeDiff);
    /// Deletes every zone.
    void RemoveAllTimeZoneNode();

    /// The zone's offset from GMT in minutes; 0 for an unknown code.
    long GetTimeDiffFromGMT(unsigned char byZoneCode);
    /// How many minutes zone A's clock is ahead of zone B's; an unknown code counts as offset 0.
    long GetTimeDiff(unsigned char byZoneA, unsigned char byZoneB);
    /// How many minutes this computer's clock is ahead of the zone's, by the computer's standard
    /// bias (daylight saving time is not applied); 0 for an unknown code.
    long GetLocalTimeDiff(unsigned char byZoneCode);

    CObList m_listTimeZone;  ///< the zones, as CTimeZoneNode pointers
};

/// The process-wide table.
///
/// Initialize creates it (reading the control file; a missing or empty file gives an empty table)
/// and returns true, or returns false when it exists already. ReInitialize empties it and reads
/// the control file again (false when there is no table). Release destroys it. The queries answer
/// as CTimeZone's functions of the same name, and 0 when there is no table.
///@{
HALCYON_API bool s_TimeZoneLibInitialize();
HALCYON_API bool s_TimeZoneLibReInitialize();
HALCYON_API void s_TimeZoneLibRelease();
HALCYON_API long s_TimeZoneLibGetTimeDiffFromGMT(unsigned char byZoneCode);
HALCYON_API long s_TimeZoneLibGetTimeDiff(unsigned char byZoneA, unsigned char byZoneB);
HALCYON_API long s_TimeZoneLibGetLocalTimeDiff(unsigned char byZoneCode);
///@}
