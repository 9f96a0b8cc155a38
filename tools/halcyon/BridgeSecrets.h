// SPDX-License-Identifier: Apache-2.0
// The files that hold a bridge's secrets (a password, a token, a credentials file, a private
// key): used only when they are this user's own and nobody else's to read.
#pragma once

#include <string>

namespace halcyon::tool {

// True when `path` is a regular file (not a link) owned by this user, with no permission for
// group or others; false with `error` saying what is wrong and how to fix it.
bool PrivateFile(const std::string& path, std::string& error);

// The first line of private file `path`, without its line end; false with `error` when the file
// is not private, cannot be read or holds an empty first line.
bool ReadSecret(const std::string& path, std::string& secret, std::string& error);

}  // namespace halcyon::tool
