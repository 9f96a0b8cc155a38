// SPDX-License-Identifier: Apache-2.0
// One parsed profile file: its sections and their keys, looked up by normalised names (trimmed,
// upper-cased). The table keeps the file's text, its names upper-cased in place, and indexes
// spans of it.
#pragma once

#include "HalcyonCommon/Profile/ProfileIndex.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace halcyon::profile {

// The most of a file the cache reads: the text ends there, as at a zero byte. Spans of the text
// fit 32 bits with room to spare.
constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;

class Table {
  public:
    // Parses `text` by the cache's rules (see SProfileInfo in HalcyonCommon/Profile.h); the text
    // ends at its first zero byte and after kMaxFileBytes.
    explicit Table(std::string text);

    // The value of `key` in `section`, both normalised; false when either is missing.
    bool Find(std::string_view section, std::string_view key, std::string_view& value) const {
        const Span* index = sections_.Find(text_.data(), section, HashName(section));
        if (index == nullptr) return false;
        const Span* found = keys_[index->offset].Find(text_.data(), key, HashName(key));
        if (found == nullptr) return false;
        value = View(text_.data(), *found);
        return true;
    }

  private:
    class Parser;

    std::string text_;
    SpanIndex sections_;           // section name -> its number (in `offset`), an index of keys_
    std::vector<SpanIndex> keys_;  // per section: key name -> value
};

}  // namespace halcyon::profile
