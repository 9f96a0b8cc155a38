// The records the bridge's tests send: record i of a run is a function of the run's seed and i,
// 1-3095 bytes of pseudo-random data, so that the receiving side checks every byte and the order
// without a copy of what was sent.
#pragma once

#include <cstdint>
#include <string>

namespace halcyon::bridge_test {

std::string TestRecord(std::uint64_t seed, std::uint64_t index);

}  // namespace halcyon::bridge_test
