// SPDX-License-Identifier: Apache-2.0
// Reading a profile file from disk for the cache.
#pragma once

#include <string>
#include <string_view>

namespace halcyon::profile {

// Reads the whole file `path` into `text`: opened for reading by its upper-cased path, without
// sharing (the open fails while another handle to the file is open), closed before returning.
// Reading stops at the first zero byte and after kMaxFileBytes, so that no device or endless
// file can hold it. False when the file cannot be opened (missing, a folder, in use).
bool ReadProfileFile(std::string_view path, std::string& text);

}  // namespace halcyon::profile
