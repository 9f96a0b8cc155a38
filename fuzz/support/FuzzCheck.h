// SPDX-License-Identifier: Apache-2.0
// What every fuzz target needs: a check that stops the run on the first broken rule (libFuzzer
// keeps the input that broke it), and a hash of the whole input for the choices a target makes
// now and then, so that any change to the input chooses again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline void Check(bool ok, const char* what = "a rule is broken") {
    if (ok) return;
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::abort();
}

// FNV-1a of the input.
inline uint32_t Hash(const uint8_t* data, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t k = 0; k < size; ++k) h = (h ^ data[k]) * 16777619u;
    return h;
}

}  // namespace fuzz
