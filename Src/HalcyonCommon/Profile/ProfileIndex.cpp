// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Profile/ProfileIndex.h"

#include <utility>

namespace halcyon::profile {

void SpanIndex::Reserve(std::size_t count) {
    std::size_t capacity = 8;
    while (capacity < count * 2) capacity *= 2;  // at most half full
    if (capacity > slots_.size()) Grow(capacity);
}

Span& SpanIndex::Insert(const char* text, Span name, std::size_t hash, Span value, bool& added) {
    if ((count_ + 1) * 2 > slots_.size()) Grow(slots_.empty() ? 8 : slots_.size() * 2);
    std::string_view wanted = View(text, name);
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
        Slot& slot = slots_[i];
        if (slot.name.offset == kEmpty) {
            slot = Slot{hash, name, value};
            ++count_;
            added = true;
            return slot.value;
        }
        if (slot.hash == hash && View(text, slot.name) == wanted) {
            added = false;
            return slot.value;
        }
    }
}

void SpanIndex::Grow(std::size_t capacity) {
    std::vector<Slot> old(capacity);
    old.swap(slots_);
    mask_ = capacity - 1;
    for (const Slot& slot : old) {
        if (slot.name.offset == kEmpty) continue;
        std::size_t i = slot.hash & mask_;
        while (slots_[i].name.offset != kEmpty) i = (i + 1) & mask_;
        slots_[i] = slot;
    }
}

}  // namespace halcyon::profile
