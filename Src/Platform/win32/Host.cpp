// SPDX-License-Identifier: Apache-2.0
#include <Platform/Host.h>

namespace halcyon {

// Windows opens the library's paths as they are.
std::string HostPath(const char* path) {
    return path != nullptr ? std::string(path) : std::string();
}

}  // namespace halcyon
