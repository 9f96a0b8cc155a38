// The plain codec of tests/support/LzhReference.h behind a function of its own, built without the
// fuzzer's coverage instrumentation and without the sanitizers: it is the oracle, not what is
// fuzzed, and its byte-by-byte string comparisons, traced and checked, took more than half of the
// round-trip target's time.
#pragma once

namespace lzh_oracle {

// lzh_reference::Encode: the stream the plain codec writes for the same input.
long Encode(const char* in, long inLen, char* out, long outSize);

}  // namespace lzh_oracle
