// SPDX-License-Identifier: Apache-2.0
// The installation's folders and the profile (INI) cache.
#include "Bytes.h"
#include "Errors.h"
#include "Installation.h"

#include <HalcyonCommon/Paths.h>
#include <HalcyonCommon/Profile.h>
#include <Platform/Host.h>

#include <string>
#include <vector>

namespace py = pybind11;
using namespace pybind11::literals;

namespace halcyon::python {
namespace {

using MarketFolder = CString (*)(unsigned char);
using Folder = CString (*)();

unsigned char Market(int market) {
    if (market < 0 || market > 254)
        RaiseValueError("a market with a folder is 0 to 254, not " + std::to_string(market));
    return static_cast<unsigned char>(market);
}

// The library's paths are Windows paths ("Z:\opt\nimbus\DAT\002A"); host=True gives the host's
// name of the same folder.
py::str Result(const CString& path, bool host) {
    return TextResult(host ? halcyon::HostPath(path) : path.str());
}

void DefineFolder(py::module_& m, const char* name, Folder folder, const char* doc) {
    m.def(
        name,
        [name, folder](bool host) {
            RequireInstallation(name);
            return Result(folder(), host);
        },
        "host"_a = false, doc);
}

void DefineMarketFolder(py::module_& m, const char* name, MarketFolder folder, const char* doc) {
    m.def(
        name,
        [name, folder](int market, bool host) {
            unsigned char code = Market(market);
            RequireInstallation(name);
            return Result(folder(code), host);
        },
        "market"_a = 0, "host"_a = false, doc);
}

// A profile value, read through the process-wide cache; the buffer grows for long values.
py::str ProfileString(const py::handle& file, const py::handle& section, const py::handle& key,
                      const py::handle& fallback) {
    std::string path = TextArgument(file), sec = TextArgument(section), k = TextArgument(key);
    std::string def = fallback.is_none() ? std::string() : TextArgument(fallback);
    std::vector<char> buffer(256);
    for (;;) {
        unsigned long n = SProfileInfo::GetPrivateProfileStringA(
            sec.c_str(), k.c_str(), def.c_str(), buffer.data(), buffer.size(), path.c_str());
        if (n + 1 < buffer.size() || buffer.size() >= (1u << 24))
            return TextResult(std::string(buffer.data(), n));
        buffer.resize(buffer.size() * 4);
    }
}

long long ProfileInt(const py::handle& file, const py::handle& section, const py::handle& key,
                     int fallback) {
    std::string path = TextArgument(file), sec = TextArgument(section), k = TextArgument(key);
    unsigned int value =
        SProfileInfo::GetPrivateProfileIntA(sec.c_str(), k.c_str(), fallback, path.c_str());
    return static_cast<int>(value);  // the library's two's complement, as a signed number
}

void ProfileForget(const py::handle& file) {
    if (file.is_none()) {
        SProfileInfo::EraseAll();
    } else {
        SProfileInfo::EraseObj(TextArgument(file).c_str());
    }
}

}  // namespace

void RegisterPaths(py::module_& m) {
    m.def(
        "installation_root",
        [](bool host) { return TextResult(host ? InstallationHostRoot() : InstallationRoot()); },
        "host"_a = false,
        R"(This process's installation root: the interpreter's folder, or its parent when that
folder is named BIN. Creates nothing. host=True gives the host's path instead of the library's
Windows path.)");
    m.def("is_installation", &IsInstallation,
          "True when the installation root holds a SYS folder: the folder functions, hosting the "
          "registry and creating queues need one.");
    m.def(
        "host_path",
        [](const py::handle& p) { return TextResult(halcyon::HostPath(TextArgument(p).c_str())); },
        "path"_a, "The host's path of a path the library gives; empty when it cannot be mapped.");

    DefineFolder(m, "main_path", s_PathGetMainPath, "The installation root.");
    DefineFolder(m, "bin_path", s_PathGetBinPath, "root\\BIN, created when missing.");
    DefineFolder(m, "lang_path", s_PathGetLangPath,
                 "The language files' folder named in root\\system.ini ('' when none).");
    DefineMarketFolder(m, "dat_path", s_PathGetDatPath,
                       "root\\DAT, or its folder of `market` (1-254), created when missing.");
    DefineMarketFolder(m, "sys_path", s_PathGetSysPath,
                       "root\\SYS, or its folder of `market` (1-254), created when missing.");
    DefineMarketFolder(m, "log_path", s_PathGetLogPath,
                       "root\\LOG, or its folder of `market` (1-254), created when missing.");
    DefineMarketFolder(m, "temp_path", s_PathGetTempPath,
                       "root\\TEMP, or its folder of `market` (1-254), created when missing.");
    DefineMarketFolder(m, "tick_path", s_PathGetTickPath,
                       "root\\DAT\\TICK\\<market>, created when missing.");
    DefineMarketFolder(m, "history_path", s_PathGetHistoryPath,
                       "root\\DAT\\HISTORY\\<market>, created when missing.");

    m.def("profile_string", &ProfileString, "file"_a, "section"_a, "key"_a, "default"_a = "",
          R"(A value of an INI file through the process-wide cache: the file is read once, and
later changes are not seen until profile_forget(file). `default` when the file, section or key
is missing. Section and key names match without regard to case.)");
    m.def("profile_int", &ProfileInt, "file"_a, "section"_a, "key"_a, "default"_a = 0,
          "A value converted as atol does (leading digits, 0 without any), or `default` when "
          "missing; through the same cache.");
    m.def("profile_forget", &ProfileForget, "file"_a = py::none(),
          "Drops the cached file (any case of its name), or every file, so the next read parses "
          "it again.");
}

}  // namespace halcyon::python
