// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/kernel/ByName.h"

#include "Platform/posix/base/Errors.h"
#include "Platform/posix/kernel/Access.h"
#include "Platform/posix/kernel/KernelObjects.h"

namespace win::posix::kernel {
namespace {

HANDLE Refuse(DWORD error) {
    SetLastError(error);
    return nullptr;
}

DWORD Usable(const ObjectType& type) {
    return type.usable == nullptr ? ERROR_SUCCESS : type.usable();
}

// A handle to the object just acquired.
HANDLE HandleOf(const ObjectType& type, KernelObject* object, DWORD access) {
    return HandleFor(object, type.handleKind, access);
}

}  // namespace

HANDLE CreateByName(const ObjectType& type, LPCSTR lpName, const Prepare& prepare, DWORD access) {
    std::string key;
    DWORD error;
    if (!ParseName(lpName, key, error)) return Refuse(error);
    if ((error = Usable(type)) != ERROR_SUCCESS) return Refuse(error);
    std::lock_guard<std::mutex> hold(RegistryLock());
    CreateRequest request;
    if ((error = prepare(request)) != ERROR_SUCCESS) return Refuse(error);
    KernelObject* object = nullptr;
    bool existed = false;
    error = key.empty() ? AcquireUnnamed(type.kind, request, type.attach, object)
                        : AcquireNamed(key, type.kind, &request, type.attach, object, existed);
    if (error != ERROR_SUCCESS) return Refuse(error);
    HANDLE handle = HandleOf(type, object, access);
    // A create tells whether the object was there before, also when it made it.
    if (handle != nullptr) SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

HANDLE OpenByName(const ObjectType& type, LPCSTR lpName, DWORD access) {
    std::string key;
    DWORD error;
    if (lpName == nullptr) return Refuse(ERROR_INVALID_PARAMETER);
    if (!ParseName(lpName, key, error)) return Refuse(error);
    // Windows opens the name folder itself, which is no object of the kind.
    if (key.empty()) return Refuse(ERROR_INVALID_HANDLE);
    if ((error = Usable(type)) != ERROR_SUCCESS) return Refuse(error);
    std::lock_guard<std::mutex> hold(RegistryLock());
    KernelObject* object = nullptr;
    bool existed = false;
    error = AcquireNamed(key, type.kind, nullptr, type.attach, object, existed);
    if (error != ERROR_SUCCESS) return Refuse(error);
    // The rights are checked once the object is known to be there and of the kind: a missing
    // name or one of another kind says so whatever was asked.
    DWORD granted = 0;
    if ((error = GrantAccess(type.handleKind, access, granted)) != ERROR_SUCCESS) {
        ReleaseObject(object);
        return Refuse(error);
    }
    return HandleOf(type, object, granted);  // a successful open leaves the last error alone
}

}  // namespace win::posix::kernel
