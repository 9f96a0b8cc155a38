#include <Platform/Host.h>

#include "Platform/posix/files/Files.h"

namespace halcyon {

std::string HostPath(const char* path) {
    std::string host;
    win::DWORD error;
    if (!win::posix::ToHostPath(path, host, error)) return {};
    return host;
}

}  // namespace halcyon
