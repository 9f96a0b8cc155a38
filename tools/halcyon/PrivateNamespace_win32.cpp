// SPDX-License-Identifier: Apache-2.0
// Windows keeps its named objects itself, per session: there is no folder to make one's own.
#include "PrivateNamespace.h"

namespace halcyon::tool {

bool HasPrivateNamespaces() { return false; }

int RunInPrivateNamespace(const std::function<int()>& body, bool& made, std::string&) {
    made = true;
    return body();
}

}  // namespace halcyon::tool
