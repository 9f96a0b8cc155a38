// SPDX-License-Identifier: Apache-2.0
// The day files of a log: telling a new day, naming and opening its file, and deleting the files
// that are past the retention. A log's files are "<kind letter><name>_<yyyymmdd>.log" in its
// folder (Sorders_20240131.log); CLogFileImpl keeps the state these work on.
#pragma once

#include <Platform/CString.h>

#include <cstdio>

namespace halcyon::nimbuslog {

// True when today's day of the month is not `lastDay`, which then becomes it; false, changing
// nothing, when the runtime cannot tell the local time. Only the day of the month counts: the 5th
// of the next month is the same day as the 5th.
bool DayHasChanged(int& lastDay);

// Today's file name of the log `name` whose kind letter is `kindLetter`; false, changing nothing,
// when the runtime cannot tell the local time.
bool TodaysFileName(char kindLetter, const CString& name, CString& fileName);

// Makes `folder` (ending in a backslash; one level) and opens `fileName` in it for appending, in
// binary so that each line ends in exactly CR LF, and denied to other writers: one process at a
// time writes a log. Null when the path does not fit or the open fails.
std::FILE* OpenDayFile(const CString& folder, const CString& fileName);

// Deletes the files of the log `name` (kind letter `kindLetter`) in `folder` whose last write is
// more than `keepDays` days before now, counted in whole seconds: with one day kept, a file
// written 86400 seconds ago stays and one written 86401 seconds ago goes.
void RemoveFilesPastKeep(const CString& folder, char kindLetter, const CString& name, int keepDays);

}  // namespace halcyon::nimbuslog
