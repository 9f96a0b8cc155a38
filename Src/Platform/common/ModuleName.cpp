// SPDX-License-Identifier: Apache-2.0
#include "Platform/common/ModuleName.h"

#include "Platform/Win.h"

#include <vector>

namespace halcyon {

CString ExecutableFileName() {
    std::vector<char> name(MAX_PATH, '\0');
    for (;;) {
        auto size = static_cast<win::DWORD>(name.size());
        win::DWORD length = win::GetModuleFileNameA(nullptr, name.data(), size);
        if (length < size) return CString(name.data(), static_cast<int>(length));
        name.assign(name.size() * 2, '\0');
    }
}

}  // namespace halcyon
