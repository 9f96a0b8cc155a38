// SPDX-License-Identifier: Apache-2.0
// Access rights, as each kind of object knows them: what the generic rights stand for, which
// rights the kind knows at all, and the rights each use of a handle needs.
//
// An open asks for rights; GENERIC_READ, GENERIC_WRITE, GENERIC_EXECUTE and GENERIC_ALL become the
// kind's own rights, MAXIMUM_ALLOWED every right the kind knows (the caller owns every object of
// its namespace, so nothing is withheld). An open that asks for nothing, or for a right the kind
// does not know, is refused with ERROR_ACCESS_DENIED. The handle keeps the rights it got, and each
// use checks the ones it needs (ERROR_ACCESS_DENIED otherwise): a wait needs SYNCHRONIZE, SetEvent
// and ResetEvent EVENT_MODIFY_STATE, a view the section rights of its kind, reading a file
// FILE_READ_DATA, writing it FILE_WRITE_DATA or FILE_APPEND_DATA. ReleaseMutex needs none: the
// owner releases, through any handle (MUTEX_MODIFY_STATE is "reserved for future use").
#pragma once

#include "Platform/posix/base/WinTypes.h"
#include "Platform/posix/handles/HandleTable.h"

namespace win::posix::kernel {

// The rights of the kinds, as Windows numbers them.
constexpr DWORD kSynchronize = 0x00100000;
constexpr DWORD kStandardRights = 0x000F0000;  // DELETE, READ_CONTROL, WRITE_DAC, WRITE_OWNER
constexpr DWORD kReadControl = 0x00020000;
constexpr DWORD kGenericExecute = 0x20000000;
constexpr DWORD kMaximumAllowed = 0x02000000;

constexpr DWORD kMutantQueryState = 0x0001;
constexpr DWORD kEventQueryState = 0x0001;
constexpr DWORD kEventModifyState = 0x0002;

constexpr DWORD kSectionQuery = 0x0001;  // also what a copy-on-write view needs (FILE_MAP_COPY)
constexpr DWORD kSectionMapWrite = 0x0002;
constexpr DWORD kSectionMapRead = 0x0004;
constexpr DWORD kSectionMapExecute = 0x0008;
constexpr DWORD kSectionExtendSize = 0x0010;

constexpr DWORD kFileReadData = 0x0001;
constexpr DWORD kFileWriteData = 0x0002;
constexpr DWORD kFileAppendData = 0x0004;
constexpr DWORD kFileExecute = 0x0020;

// What a kind's handles can be given: the generic rights' meaning and every right it knows.
struct AccessRules {
    DWORD read;     // GENERIC_READ
    DWORD write;    // GENERIC_WRITE
    DWORD execute;  // GENERIC_EXECUTE
    DWORD all;      // GENERIC_ALL, and MAXIMUM_ALLOWED
};

const AccessRules& RulesOf(HandleKind kind);

// `desired` with the generic rights and MAXIMUM_ALLOWED replaced by the kind's own rights.
DWORD MapAccess(HandleKind kind, DWORD desired);

// The rights an open of an object of `kind` gets in `granted`: ERROR_SUCCESS, or
// ERROR_ACCESS_DENIED when it asks for nothing or for a right the kind does not know.
DWORD GrantAccess(HandleKind kind, DWORD desired, DWORD& granted);

// True when rights `granted` include every right of `needed`.
inline bool Allows(DWORD granted, DWORD needed) { return (granted & needed) == needed; }

}  // namespace win::posix::kernel
