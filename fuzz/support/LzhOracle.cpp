#include "LzhOracle.h"

#include "../../tests/support/LzhReference.h"

namespace lzh_oracle {

long Encode(const char* in, long inLen, char* out, long outSize) {
    return lzh_reference::Encode(in, inLen, out, outSize);
}

}  // namespace lzh_oracle
