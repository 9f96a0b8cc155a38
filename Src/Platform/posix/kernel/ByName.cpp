#include "Platform/posix/kernel/ByName.h"

#include "Platform/posix/base/Errors.h"
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

// A handle to the object just acquired, and the error that tells whether it existed.
HANDLE HandleOf(const ObjectType& type, KernelObject* object, DWORD access, bool existed) {
    HANDLE handle = HandleFor(object, type.handleKind, access);
    if (handle == nullptr) return nullptr;
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
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
    return HandleOf(type, object, access, existed);
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
    return HandleOf(type, object, access, false);
}

}  // namespace win::posix::kernel
