// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/kernel/Access.h"

namespace win::posix::kernel {
namespace {

constexpr DWORD kStandardRead = kReadControl;
constexpr DWORD kStandardWrite = kReadControl;
constexpr DWORD kStandardExecute = kReadControl;

// One row per kind, as Windows' object types map the generic rights. GENERIC_ALL is each kind's
// "all access", which holds every right the kind knows.
constexpr AccessRules kMutexRules{
    kStandardRead | kMutantQueryState, kStandardWrite, kStandardExecute | kSynchronize,
    kStandardRights | kSynchronize | kMutantQueryState,  // MUTEX_ALL_ACCESS
};
constexpr AccessRules kEventRules{
    kStandardRead | kEventQueryState, kStandardWrite | kEventModifyState,
    kStandardExecute | kSynchronize,
    kStandardRights | kSynchronize | kEventQueryState | kEventModifyState,  // EVENT_ALL_ACCESS
};
// A section cannot be waited on: SYNCHRONIZE is none of its rights.
constexpr AccessRules kSectionRules{
    kStandardRead | kSectionQuery | kSectionMapRead, kStandardWrite | kSectionMapWrite,
    kStandardExecute | kSectionMapExecute,
    kStandardRights | kSectionQuery | kSectionMapWrite | kSectionMapRead | kSectionMapExecute |
        kSectionExtendSize,  // SECTION_ALL_ACCESS
};
constexpr AccessRules kFileRules{
    0x00120089,  // FILE_GENERIC_READ
    0x00120116,  // FILE_GENERIC_WRITE
    0x001200A0,  // FILE_GENERIC_EXECUTE
    0x001F01FF,  // FILE_ALL_ACCESS
};

constexpr DWORD kGenericRights = GENERIC_READ | GENERIC_WRITE | kGenericExecute | GENERIC_ALL;

}  // namespace

const AccessRules& RulesOf(HandleKind kind) {
    switch (kind) {
        case HandleKind::kMutex:
            return kMutexRules;
        case HandleKind::kEvent:
            return kEventRules;
        case HandleKind::kSection:
            return kSectionRules;
        case HandleKind::kFile:
            break;
    }
    return kFileRules;
}

DWORD MapAccess(HandleKind kind, DWORD desired) {
    const AccessRules& rules = RulesOf(kind);
    DWORD mapped = desired & ~(kGenericRights | kMaximumAllowed);
    if ((desired & GENERIC_READ) != 0) mapped |= rules.read;
    if ((desired & GENERIC_WRITE) != 0) mapped |= rules.write;
    if ((desired & kGenericExecute) != 0) mapped |= rules.execute;
    if ((desired & (GENERIC_ALL | kMaximumAllowed)) != 0) mapped |= rules.all;
    return mapped;
}

DWORD GrantAccess(HandleKind kind, DWORD desired, DWORD& granted) {
    granted = MapAccess(kind, desired);
    if (granted == 0 || (granted & ~RulesOf(kind).all) != 0) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

}  // namespace win::posix::kernel
