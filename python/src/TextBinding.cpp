// SPDX-License-Identifier: Apache-2.0
// Big5 to GB with the installation's table, and the language settings that say when to convert.
//
// The library's language functions take no lock: the module calls them under one lock of its
// own, so Python threads may convert at the same time.
#include "Bytes.h"
#include "Errors.h"
#include "Installation.h"

#include <HalcyonCommon/Lang.h>
#include <Platform/Host.h>

#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <string>

namespace py = pybind11;
using namespace pybind11::literals;

namespace halcyon::python {
namespace {

constexpr std::size_t kReleaseAbove = 64 * 1024;
constexpr std::size_t kKeepBuffers = 16 * 1024 * 1024;

std::mutex& LangLock() {
    static std::mutex lock;
    return lock;
}

// Takes the lock without the GIL when another thread has it: that thread may be converting with
// the GIL released and need it back before it lets go, so waiting with the GIL would deadlock.
std::unique_lock<std::mutex> HoldLang() {
    std::unique_lock<std::mutex> hold(LangLock(), std::try_to_lock);
    if (!hold.owns_lock()) {
        py::gil_scoped_release released;
        hold.lock();
    }
    return hold;
}

bool g_tableLoaded = false;
bool g_servicesLoaded = false;

// What the library would have shown in a message box while loading.
int CaptureMessage(const char* text, const char* caption, unsigned int, void* context) {
    auto* captured = static_cast<std::string*>(context);
    *captured += std::string(caption ? caption : "") + ": " + (text ? text : "");
    return 1;  // IDOK
}

// Loads the table; with the lock held. Raises InstallationError naming the file and the cause.
void LoadTable() {
    std::string message;
    halcyon::SetMessageBoxHook(CaptureMessage, &message);
    bool loaded = s_LangInitialGBTable();
    halcyon::SetMessageBoxHook(nullptr, nullptr);
    g_tableLoaded = loaded;
    if (!loaded) {
        while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
            message.pop_back();
        RaiseInstallationError("the Big5 to GB table could not be loaded from " +
                               InstallationHostRoot() + "/SYS/Language/BIG5-GB.TAB (" + message +
                               "): run Python from an installation's BIN folder (docs/python.md)");
    }
}

// The conversion's text and result, kept between calls (with the lock held) so that a call reuses
// the memory of the last instead of faulting in fresh pages: up to kKeepBuffers bytes each.
struct Big5Buffers {
    CString source;
    CString result;
};

Big5Buffers& Buffers() {
    static auto* buffers = new Big5Buffers;  // never destroyed: used at exit
    return *buffers;
}

py::bytes Big5ToGb(const py::handle& data) {
    ByteView in(data);
    if (in.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        RaiseValueError("big5_to_gb takes at most 2 GiB at a time");
    std::unique_lock<std::mutex> hold = HoldLang();
    if (!g_tableLoaded) LoadTable();
    Big5Buffers& buffers = Buffers();
    {
        std::optional<py::gil_scoped_release> released;
        if (in.size() > kReleaseAbove) released.emplace();
        auto length = static_cast<int>(in.size());
        std::memcpy(buffers.source.GetBufferSetLength(length), in.chars(), in.size());
        buffers.source.ReleaseBuffer(length);
        s_LangConvertToSimplifiedChinese(buffers.source, buffers.result);
    }
    py::bytes result(buffers.result.str());
    if (in.size() > kKeepBuffers) buffers = Big5Buffers();
    return result;
}

void ReloadTable() {
    std::unique_lock<std::mutex> hold = HoldLang();
    s_LangUnInitialGBTable();
    g_tableLoaded = false;
    LoadTable();
}

bool NeedsSimplified(int market) {
    if (market < 0 || market > 255) RaiseValueError("a market code is 0 to 255");
    std::unique_lock<std::mutex> hold = HoldLang();
    if (!g_servicesLoaded) g_servicesLoaded = s_LangInitSupportSimplifiedService();
    auto code = static_cast<unsigned char>(market);
    return s_LangIsConvertToSimplified(code);
}

int LanguageId() {
    std::unique_lock<std::mutex> hold = HoldLang();
    return s_LangGetLangID();
}

}  // namespace

void RegisterText(py::module_& m) {
    m.def("big5_to_gb", &Big5ToGb, "data"_a,
          R"(Converts Big5 (Traditional Chinese) bytes to GB (Simplified Chinese) bytes,
character by character, with the installation's table SYS/Language/BIG5-GB.TAB and its overrides
(RareCHT.ini). ASCII passes unchanged; the text ends at the first NUL; the result is never
longer. The table is loaded on first use; InstallationError when it cannot be.)");
    m.def("reload_gb_table", &ReloadTable,
          "Reads the installation's Big5 to GB table again (the first big5_to_gb loads it).");
    m.def("needs_simplified", &NeedsSimplified, "market"_a,
          R"(True when the installation's language is Simplified Chinese (number 2) and market
`market` delivers Traditional text, so that its names are to be converted with big5_to_gb.)");
    m.def("language_id", &LanguageId,
          "The installation's selected language number (SYS/Language/Language.ini), read once.");
}

}  // namespace halcyon::python
