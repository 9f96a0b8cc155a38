// SPDX-License-Identifier: Apache-2.0
// An open-addressing hash index from names to spans, both held as spans of one text that the
// index's owner keeps: the parsed file's names and values are never copied out of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace halcyon::profile {

// Bytes [offset, offset + length) of the owner's text.
struct Span {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

inline std::string_view View(const char* text, Span span) {
    return std::string_view(text + span.offset, span.length);
}

// The hash of a name, eight bytes at a step: names are short, and a lookup hashes two of them.
// The seed differs between processes, so that no file can be made to collide on purpose.
inline std::uint64_t MixBits(std::uint64_t x) {
    x *= 0xBF58476D1CE4E5B9ULL;
    return x ^ (x >> 31);
}

inline std::size_t HashName(std::string_view name) {
    static const std::uint64_t seed = MixBits(reinterpret_cast<std::uintptr_t>(&seed));
    const char* p = name.data();
    const std::size_t size = name.size();
    std::uint64_t h = seed ^ size;
    std::uint64_t word = 0;
    if (size >= 8) {
        std::size_t i = 0;
        for (; i + 8 < size; i += 8) {
            std::memcpy(&word, p + i, 8);
            h = MixBits(h ^ word) * 0x94D049BB133111EBULL;
        }
        std::memcpy(&word, p + size - 8, 8);  // the last eight bytes, overlapping when need be
    } else {
        for (std::size_t i = 0; i < size; ++i) {
            word |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
        }
    }
    return static_cast<std::size_t>(MixBits(MixBits(h ^ word)));
}

class SpanIndex {
  public:
    // Makes room for `count` names without growing.
    void Reserve(std::size_t count);

    // The value of `name`, whose hash is `hash`; null when absent.
    const Span* Find(const char* text, std::string_view name, std::size_t hash) const {
        if (slots_.empty()) return nullptr;
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
            const Slot& slot = slots_[i];
            if (slot.name.offset == kEmpty) return nullptr;
            if (slot.hash == hash && View(text, slot.name) == name) return &slot.value;
        }
    }

    // The value of `name`; a new name gets `value` and `added` is set. An existing name keeps
    // its value: the first insertion wins.
    Span& Insert(const char* text, Span name, std::size_t hash, Span value, bool& added);

  private:
    static constexpr std::uint32_t kEmpty = UINT32_MAX;

    struct Slot {
        std::size_t hash = 0;
        Span name{kEmpty, 0};
        Span value;
    };

    void Grow(std::size_t capacity);

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
};

}  // namespace halcyon::profile
