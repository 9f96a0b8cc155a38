// SPDX-License-Identifier: Apache-2.0
// halcyon lang and halcyon appinfo: the installation's language and product facts from a shell.
#include "Command.h"
#include "Json.h"
#include "TerminalText.h"

#include <HalcyonCommon.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace halcyon::tool {
namespace {

int Convert(const Invocation& call) {
    const Args& args = call.Operands();
    std::FILE* in = args.size() == 1 ? std::fopen(args[0].c_str(), "rb") : stdin;
    if (in == nullptr) {
        std::fprintf(stderr, "halcyon lang: cannot open '%s': %s\n", args[0].c_str(),
                     std::strerror(errno));
        return kExitFailure;
    }
    std::string text;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    if (in != stdin) std::fclose(in);
    if (!s_LangInitialGBTable()) {
        std::fprintf(stderr, "halcyon lang: the conversion table cannot be loaded\n");
        return kExitFailure;
    }
    // Line by line, so that a NUL or a stray byte costs one line, not the rest of the text.
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        CString result;
        s_LangConvertToSimplifiedChinese(CString(text.substr(start, end - start)), result);
        std::fwrite(result.GetString(), 1, static_cast<size_t>(result.GetLength()), stdout);
        start = end;
    }
    s_LangUnInitialGBTable();
    return kExitOk;
}

// The language strings loaded for `show`; an error when no language is configured.
int WithLanguage(const Invocation& call, int (*show)(const Invocation& call)) {
    if (s_LangGetLangFile().IsEmpty()) {
        std::fprintf(stderr, "halcyon lang: no language is configured in %s\\Sys\\Language\n",
                     static_cast<const char*>(s_PathGetMainPath()));
        return kExitFailure;
    }
    if (!s_LangInitialLanguageString()) return kExitFailure;
    const int code = show(call);
    s_LangUnInitialLanguageString();
    return code;
}

// The section of resource key "IDS_MAIN_TITLE" is the text between its first two underscores.
CString SectionOfKey(const std::string& key) {
    const size_t first = key.find('_');
    const size_t second = first == std::string::npos ? first : key.find('_', first + 1);
    if (second == std::string::npos) return CString();
    return CString(key.substr(first + 1, second - first - 1).c_str());
}

// A key the table lacks is exit code 1, told apart from an empty text (exit code 0).
int ShowString(const Invocation& call) {
    const std::string& key = call.Operands()[0];
    CString text;
    if (!s_LangGetLanguageString(text, SectionOfKey(key), CString(key.c_str()))) {
        std::fprintf(stderr, "halcyon lang: no text for key '%s' in the language file\n",
                     key.c_str());
        return kExitFailure;
    }
    const TerminalText shown(call.Has("--raw"), s_LangGetLangID());
    std::printf("%s\n", shown(s_LangGetLangString(CString(key.c_str())).str()).c_str());
    return kExitOk;
}

int ShowLanguages(const Invocation& call) {
    const TerminalText shown(call.Has("--raw"), s_LangGetLangID());
    CStringArray names;
    s_LangGetAllLang(names);
    std::printf("selected %d\n", s_LangGetLangID());
    for (int i = 0; i < names.GetSize(); ++i) {
        std::printf("%d %s\n", i + 1, shown(names[i].str()).c_str());
    }
    return kExitOk;
}

int Get(const Invocation& call) { return WithLanguage(call, ShowString); }
int List(const Invocation& call) { return WithLanguage(call, ShowLanguages); }

// The account label is missing when SYS\UserInfo.CFG cannot be read: the text output says so on
// a note line, the JSON gives null.
const char kNoAccount[] = "no account: SYS\\UserInfo.CFG cannot be read";

int RunAppInfo(const Invocation& call) {
    const TerminalText shown(call.Has("--raw"), s_LangGetLangID());
    struct Fact {
        const char* label;
        void (*get)(CString&);
    } facts[] = {
        {"product", s_AppInfoGetProductName},      {"version", s_AppInfoGetProductVersion},
        {"date", s_AppInfoGetProductDate},         {"product id", s_AppInfoGetProductID},
        {"product type", s_AppInfoGetProductType}, {"account type", s_AppInfoGetAccountType},
        {"login type", s_AppInfoGetLoginType},     {"application id", s_AppInfoGetAPPID},
        {"copyright", s_AppInfoGetAPPCopywrite},   {"broker", s_AppInfoGetBrokerID},
        {"server", s_AppInfoGetConnectVSTAAddr},
    };
    const bool json = call.Has("--json");
    const int language = s_LangGetLangID();
    JsonObject object;
    for (const Fact& fact : facts) {
        CString value;
        fact.get(value);
        if (json)
            object.Text(JsonKey(fact.label).c_str(), Utf8Text(value.str(), language));
        else
            std::printf("%-15s %s\n", fact.label, shown(value.str()).c_str());
    }
    if (!s_LangGetLangFile().IsEmpty()) s_LangInitialLanguageString();
    CString account;
    s_AppInfoGetAPPUserId(account);
    if (json) {
        if (account.IsEmpty())
            object.Null("account");
        else
            object.Text("account", Utf8Text(account.str(), language));
        std::printf("%s\n", object.Str().c_str());
    } else {
        std::printf("%-15s %s\n", "account", shown(account.str()).c_str());
        if (account.IsEmpty()) std::printf("%-15s %s\n", "note", kNoAccount);
    }
    return kExitOk;
}

const Option kRaw{"--raw", nullptr,
                  "print the installation's bytes as they are, also on a terminal"};

const CommandSpec kLangSpec{
    "lang",
    "convert Big5 to GB; look up language strings",
    "",
    {{"convert",
      "[FILE]",
      "reads Big5 text (FILE or standard input) and writes it in GB, converted to Simplified "
      "Chinese with SYS\\Language\\BIG5-GB.TAB, like iconv",
      {},
      Convert},
     {"get",
      "KEY",
      "prints the text of resource key KEY in the installation's language; a key the language "
      "file lacks is exit code 1",
      {kRaw},
      Get},
     {"list",
      "",
      "prints the selected language's number and the installed languages' names",
      {kRaw},
      List}},
    "On a terminal, get and list convert the texts from the installation's code page "
    "(HALCYON_CODEPAGE when set, else GBK for language 2, Simplified Chinese, and Big5 for the "
    "others) to the terminal's character set; --raw, or output into a file or pipe, gives the "
    "bytes as they are."};
const CommandSpec kAppInfoSpec{
    "appinfo",
    "print the installed product's facts",
    "",
    {{"",
      "",
      "Prints the product facts of SYS\\Version.ini, the broker and server of SYS\\System.INI "
      "and the account label of SYS\\UserInfo.CFG. On a terminal the texts are converted to its "
      "character set as 'halcyon lang' does (see its help); --raw gives the bytes as they are.",
      {kRaw, {"--json", nullptr, "print one JSON object (docs/cli-json.md)"}},
      RunAppInfo}}};
const Registration kLang{kLangSpec};
const Registration kAppInfo{kAppInfoSpec};

}  // namespace
}  // namespace halcyon::tool
