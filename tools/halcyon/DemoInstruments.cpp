// SPDX-License-Identifier: Apache-2.0
#include "DemoInstruments.h"

#include <HalcyonCommon.h>

namespace halcyon::tool {
namespace {

// clang-format off
const Instrument kInstruments[kInstrumentCount] = {
    {"TXF", 0x10, "\xBBO\xAB\xFC\xB4\xC1\xB3" "f",  // 臺指期貨
     "\xCC\xA8\xD6\xB8\xC6\xDA\xBB\xF5"},  // 台指期货
    {"MXF", 0x10, "\xA4p\xAB\xAC\xBBO\xAB\xFC",  // 小型臺指
     "\xD0\xA1\xD0\xCD\xCC\xA8\xD6\xB8"},  // 小型台指
    {"2330", 0x10, "\xBBO\xBFn\xB9q",  // 臺積電
     "\xCC\xA8\xBB\xFD\xB5\xE7"},  // 台积电
    {"2317", 0x10, "\xC2" "E\xAE\xFC\xBA\xEB\xB1K",  // 鴻海精密
     "\xBA\xE8\xBA\xA3\xBE\xAB\xC3\xDC"},  // 鸿海精密
    {"0050", 0x10, "\xA4\xB8\xA4j\xBBO\xC6W50",  // 元大臺灣50
     "\xD4\xAA\xB4\xF3\xCC\xA8\xCD\xE5" "50"},  // 元大台湾50
    {"HSI", 0x20, "\xAB\xED\xA5\xCD\xAB\xFC\xBC\xC6",  // 恆生指數
     "\xBA\xE3\xC9\xFA\xD6\xB8\xCA\xFD"},  // 恒生指数
    {"ES", 0x30, "\xBC\xD0\xB4\xB6" "500\xB4\xC1\xB3" "f",  // 標普500期貨
     "\xB1\xEA\xC6\xD5" "500\xC6\xDA\xBB\xF5"},  // 标普500期货
    {"NQ", 0x30, "\xA8\xBA\xB4\xB5\xB9" "F\xA7J\xB4\xC1\xB3" "f",  // 那斯達克期貨
     "\xC4\xC7\xCB\xB9\xB4\xEF\xBF\xCB\xC6\xDA\xBB\xF5"},  // 那斯达克期货
};
// clang-format on

// The name field of a record "Q,<n>,<symbol>,<market>,<name>,...".
std::string NameField(const std::string& record) {
    size_t start = 0;
    for (int field = 0; field < 4 && start != std::string::npos; ++field) {
        start = record.find(',', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return {};
    size_t end = record.find(',', start);
    return record.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

const Instrument& DemoInstrument(unsigned long n) { return kInstruments[n % kInstrumentCount]; }

NameConversion::NameConversion() {
    // Without a language file there is nothing to load (and no message box to show).
    if (s_LangGetLangFile().IsEmpty()) return;
    language_ = s_LangGetLangID();
    loaded_ = s_LangInitialLanguage();
}

NameConversion::~NameConversion() {
    if (loaded_) s_LangUnInitialLanguage();
}

bool NameConversion::Check(const std::string& record, const Instrument& instrument) {
    if (!loaded_ || !s_LangIsConvertToSimplified(instrument.market)) return true;
    CString name(NameField(record).c_str());
    CString simplified;
    s_LangConvertToSimplifiedChinese(name, simplified);
    ++converted_;
    return simplified.str() == instrument.gbName;
}

std::string NameConversion::Summary() const {
    if (!loaded_) return "no language configured: names stay in Big5";
    if (language_ != 2) {
        return "language " + std::to_string(language_) + " shows Big5 names as they are";
    }
    return "converted " + std::to_string(converted_) + " names from Big5 to GB (language 2)";
}

}  // namespace halcyon::tool
