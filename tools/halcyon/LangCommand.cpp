// halcyon lang and halcyon appinfo: the installation's language and product facts from a shell.
#include "Command.h"

#include <HalcyonCommon.h>

#include <cstdio>
#include <string>

namespace halcyon::tool {
namespace {

const char kLangHelp[] =
    "usage: halcyon lang convert [FILE]\n"
    "       halcyon lang get KEY\n"
    "       halcyon lang list\n"
    "\n"
    "convert  reads Big5 text (FILE or standard input) and writes it in GB, converted to\n"
    "         Simplified Chinese with SYS\\Language\\BIG5-GB.TAB, like iconv\n"
    "get      prints the text of resource key KEY in the installation's language\n"
    "list     prints the selected language's number and the installed languages' names\n";

const char kAppInfoHelp[] =
    "usage: halcyon appinfo\n"
    "\n"
    "Prints the product facts of SYS\\Version.ini, the broker and server of SYS\\System.INI and\n"
    "the account label of SYS\\UserInfo.CFG.\n";

int Convert(const Args& args) {
    if (args.size() > 2) return UsageError("lang", "convert takes at most one FILE");
    std::FILE* in = args.size() == 2 ? std::fopen(args[1].c_str(), "rb") : stdin;
    if (in == nullptr) {
        std::fprintf(stderr, "halcyon lang: cannot open '%s'\n", args[1].c_str());
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

int RunLang(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kLangHelp, stdout);
        return kExitOk;
    }
    if (args.empty()) return UsageError("lang", "convert, get or list?");
    if (args[0] == "convert") return Convert(args);
    if ((args[0] == "get" && args.size() != 2) || (args[0] == "list" && args.size() != 1)) {
        return UsageError("lang", "wrong number of arguments (see halcyon lang --help)");
    }
    if (args[0] != "get" && args[0] != "list") {
        return UsageError("lang", "unknown subcommand '" + args[0] + "'");
    }
    if (s_LangGetLangFile().IsEmpty()) {
        std::fprintf(stderr, "halcyon lang: no language is configured in %s\\Sys\\Language\n",
                     static_cast<const char*>(s_PathGetMainPath()));
        return kExitFailure;
    }
    if (!s_LangInitialLanguageString()) return kExitFailure;
    if (args[0] == "get") {
        std::printf("%s\n",
                    static_cast<const char*>(s_LangGetLangString(CString(args[1].c_str()))));
    } else {
        CStringArray names;
        s_LangGetAllLang(names);
        std::printf("selected %d\n", s_LangGetLangID());
        for (int i = 0; i < names.GetSize(); ++i) {
            std::printf("%d %s\n", i + 1, static_cast<const char*>(names[i]));
        }
    }
    s_LangUnInitialLanguageString();
    return kExitOk;
}

int RunAppInfo(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kAppInfoHelp, stdout);
        return kExitOk;
    }
    if (!args.empty()) return UsageError("appinfo", "takes no arguments");
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
    for (const Fact& fact : facts) {
        CString value;
        fact.get(value);
        std::printf("%-15s %s\n", fact.label, static_cast<const char*>(value));
    }
    if (!s_LangGetLangFile().IsEmpty()) s_LangInitialLanguageString();
    CString account("(no UserInfo.CFG)");
    s_AppInfoGetAPPUserId(account);
    std::printf("%-15s %s\n", "account", static_cast<const char*>(account));
    return kExitOk;
}

const Registration kLang{"lang", "convert Big5 to GB; look up language strings", RunLang};
const Registration kAppInfo{"appinfo", "print the installed product's facts", RunAppInfo};

}  // namespace
}  // namespace halcyon::tool
