// SPDX-License-Identifier: Apache-2.0
// The instruments of halcyon demo's records, and the last step of a record's road: its name,
// in Big5 as Traditional-Chinese markets send it, converted to GB for a Simplified-Chinese user.
#pragma once

#include <string>

namespace halcyon::tool {

struct Instrument {
    const char* symbol;
    unsigned char market;  // 0x10 Taiwan, 0x20 Hong Kong, 0x30 US futures with Chinese names
    const char* big5Name;
    const char* gbName;  // the same name in Simplified Chinese, GB-encoded
};

constexpr int kInstrumentCount = 8;
const Instrument& DemoInstrument(unsigned long n);

// Loads the installation's language (when one is configured) and converts the names of records
// whose market s_LangIsConvertToSimplified names, checking each against the GB name.
class NameConversion {
  public:
    NameConversion();
    ~NameConversion();
    NameConversion(const NameConversion&) = delete;
    NameConversion& operator=(const NameConversion&) = delete;

    // Checks the name field of a decoded record of instrument `instrument`; false when a
    // conversion gave other text than the instrument's GB name.
    bool Check(const std::string& record, const Instrument& instrument);
    // "converted 1234 names from Big5 to GB (language 2)" or why none were.
    std::string Summary() const;

  private:
    bool loaded_ = false;
    int language_ = 0;
    unsigned long converted_ = 0;
};

}  // namespace halcyon::tool
