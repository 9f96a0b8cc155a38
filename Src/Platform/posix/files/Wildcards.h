// SPDX-License-Identifier: Apache-2.0
// The wildcards of FindFirstFileA and of the C runtime's listings, as Windows reads them.
//
// In the last component of a search's name, "*" stands for any run of characters and "?" for
// one; letters match in either case. Windows reads a pattern as DOS did: a "?" before a dot or
// at the end may also stand for nothing and never for a dot; a "*" right before a dot stops at
// the name's last dot; a dot before "*", "?" or the end also matches the end of a name that has
// no more dots. So "*.*" matches every name, "x.*" also "x", "*." only names without a dot, and
// "*.txt" only the names whose last extension is txt. Names are compared without their short
// (8.3) forms, which Linux does not have.
#pragma once

#include <string>

namespace win::posix {

// True when file name `name` matches search pattern `pattern`.
bool MatchesWildcards(const std::string& pattern, const std::string& name);

}  // namespace win::posix
