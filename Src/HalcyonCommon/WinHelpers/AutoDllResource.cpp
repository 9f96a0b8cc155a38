// SPDX-License-Identifier: Apache-2.0
#include <HalcyonCommon/WinHelpers.h>

CAutoDllResource::CAutoDllResource(HINSTANCE hOld, HINSTANCE hNew)
    : hOldResource(hOld), hNewResource(hNew) {
    if (hNewResource != nullptr) AfxSetResourceHandle(hNewResource);
}

CAutoDllResource::~CAutoDllResource() {
    if (hOldResource != nullptr) AfxSetResourceHandle(hOldResource);
}

CAutoDllResource& CAutoDllResource::operator=(const CAutoDllResource& other) {
    hOldResource = other.hOldResource;
    hNewResource = other.hNewResource;
    return *this;
}
