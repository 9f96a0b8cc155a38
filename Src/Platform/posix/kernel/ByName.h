// SPDX-License-Identifier: Apache-2.0
// Creating and opening kernel objects by name: the steps every kind of object shares. The name is
// checked, the registry locked, an unnamed object made or a named one created or opened, and a
// handle made; a failure at any step sets the thread's error and gives a null handle.
#pragma once

#include "Platform/posix/kernel/Registry.h"

#include <utility>

namespace win::posix::kernel {

// One kind of object as its create and open calls see it.
struct ObjectType {
    Kind kind;
    HandleKind handleKind;
    // This process's set-up of an object it did not hold before (see Attach); null for none.
    DWORD (*attach)(KernelObject& object) = nullptr;
    // Whether objects of the kind can be had at all, asked once the name is known to be good:
    // ERROR_SUCCESS, or the error the call fails with. Null when they always can.
    DWORD (*usable)() = nullptr;
};

// Fills the request for a new object, with the registry lock held; an error fails the call.
using Prepare = std::function<DWORD(CreateRequest& request)>;

// A request that only fills the new object's header.
inline Prepare HeaderOnly(HeaderInit init) {
    return [init = std::move(init)](CreateRequest& request) {
        request.init = init;
        return DWORD{ERROR_SUCCESS};
    };
}

// CreateMutexA, CreateEventA, CreateFileMappingA: the object `lpName` names, created (a null or
// empty name makes an unnamed one) or, when it exists, opened as it is. The handle has `access`;
// the thread's error is ERROR_ALREADY_EXISTS when the object existed, ERROR_SUCCESS otherwise.
HANDLE CreateByName(const ObjectType& type, LPCSTR lpName, const Prepare& prepare, DWORD access);

// OpenMutexA, OpenEventA, OpenFileMappingA: the existing object `lpName` names, with the rights
// `access` asks for (Access.h). ERROR_INVALID_PARAMETER for a null name, ERROR_INVALID_HANDLE for
// an empty one or one of another kind, ERROR_FILE_NOT_FOUND for none there, ERROR_ACCESS_DENIED
// for rights the kind does not give. The last error is left as it was on success.
HANDLE OpenByName(const ObjectType& type, LPCSTR lpName, DWORD access);

}  // namespace win::posix::kernel
