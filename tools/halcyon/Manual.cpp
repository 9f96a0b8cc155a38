// SPDX-License-Identifier: Apache-2.0
#include "Manual.h"

#include "Command.h"

#include <cctype>
#include <cstring>
#include <sstream>

namespace halcyon::tool {
namespace {

// The code point of the UTF-8 sequence at text[i], advancing i past it; U+FFFD when damaged.
unsigned long DecodeUtf8(const std::string& text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (more < 0) return 0xFFFD;
    unsigned long code = lead & (0x3F >> more);
    for (int k = 0; k < more; ++k, ++i) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0xFFFD;
        code = code << 6 | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    return code;
}

// A usage's words in the manual's style: the command bold, placeholders (upper case) italic.
std::string RoffUsage(const CommandSpec& command, const Form& form) {
    std::string line = std::string("\\fBhalcyon ") + command.name;
    if (form.verb[0] != '\0') line += std::string(" ") + form.verb;
    line += "\\fR";
    std::istringstream words(form.operands);
    for (std::string word; words >> word;) {
        line += " ";
        for (char c : word) {
            if (c == '[' || c == ']' || c == '.')
                line += c;
            else
                line += std::string("\\fI") + c + "\\fR";
        }
    }
    for (const Option& option : form.options) {
        if (option.hidden) continue;
        line += " [\\fB" + RoffText(option.name) + "\\fR";
        if (option.value != nullptr) line += std::string(" \\fI") + option.value + "\\fR";
        line += "]";
    }
    return line;
}

// Paragraphs separated by '\n'; `between` starts each one after the first.
void PrintParagraphs(std::FILE* out, const std::string& text, const char* between) {
    std::istringstream paragraphs(text);
    bool first = true;
    for (std::string paragraph; std::getline(paragraphs, paragraph);) {
        if (!first) std::fprintf(out, "%s\n", between);
        std::fprintf(out, "%s\n", RoffText(paragraph).c_str());
        first = false;
    }
}

void PrintOptions(std::FILE* out, const Form& form) {
    bool any = false;
    for (const Option& option : form.options) {
        if (option.hidden) continue;
        if (!any) std::fprintf(out, ".RS\n");
        any = true;
        std::fprintf(out, ".TP\n\\fB%s\\fR", RoffText(option.name).c_str());
        if (option.value != nullptr) std::fprintf(out, " \\fI%s\\fR", option.value);
        std::fprintf(out, "\n%s\n", RoffText(option.help).c_str());
    }
    if (any) std::fprintf(out, ".RE\n");
}

void PrintCommand(std::FILE* out, const CommandSpec& command) {
    std::fprintf(out, ".SS %s\n", command.name);
    std::string summary = command.summary;
    summary[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(summary[0])));
    std::fprintf(out, "%s.\n", RoffText(summary).c_str());
    if (command.description[0] != '\0') {
        std::fprintf(out, ".PP\n");
        PrintParagraphs(out, command.description, ".PP");
    }
    for (const Form& form : command.forms) {
        std::fprintf(out, ".TP\n%s\n", RoffUsage(command, form).c_str());
        PrintParagraphs(out, form.help[0] != '\0' ? form.help : "", ".IP");
        PrintOptions(out, form);
    }
    if (command.notes[0] != '\0') {
        std::fprintf(out, ".PP\n");
        PrintParagraphs(out, command.notes, ".PP");
    }
}

bool HasCommand(const char* name) {
    for (const CommandSpec* command : Commands()) {
        if (std::strcmp(command->name, name) == 0) return true;
    }
    return false;
}

const char kHead[] =
    ".nh\n.ad l\n"  // neither hyphenate names of files and functions nor stretch usages
    ".SH NAME\n"
    "halcyon \\- the HalcyonCommon library from the shell\n"
    ".SH SYNOPSIS\n"
    ".B halcyon\n.I command\n.RI [ arguments ]\n.br\n"
    ".B halcyon help\n.RI [ command ]\n.br\n"
    ".B halcyon \\-\\-version\n"
    ".SH DESCRIPTION\n"
    "The common library of the Halcyon terminal, from the shell: its shared-memory queues, "
    "codec, scrambler, folders, settings, languages, logs, dates and time zones. Each command "
    "writes its results to standard output and its errors to standard error.\n"
    ".PP\n"
    "A command's options may come anywhere after its subcommand, as \\fB\\-\\-name\\fR "
    "\\fIvalue\\fR or \\fB\\-\\-name=\\fR\\fIvalue\\fR; \\fB\\-\\-\\fR ends them, so that "
    "the arguments after it are taken as they stand. \\fB\\-\\-help\\fR (or \\fB\\-h\\fR) "
    "after a command prints its help, as \\fBhalcyon help\\fR \\fIcommand\\fR does.\n"
    ".SH COMMANDS\n";

const char kTail[] =
    ".SH EXIT STATUS\n"
    ".TP\n0\nThe command did what was asked.\n"
    ".TP\n1\nIt failed; standard error says why.\n"
    ".TP\n2\nThe command line was wrong; standard error names the argument.\n"
    ".SH ENVIRONMENT\n"
    ".TP\n.B HALCYON_KERNEL_DIR\n"
    "The folder of this user's named kernel objects, shared by the processes that use the "
    "library (Linux; default \\fI$XDG_RUNTIME_DIR/halcyon\\fR, or "
    "\\fI/dev/shm/halcyon\\-<uid>\\fR).\n"
    ".TP\n.BI HALCYON_DRIVE_ LETTER\n"
    "The Linux folder behind a drive letter of the library's Windows paths (Linux; \\fBZ:\\fR "
    "is \\fI/\\fR).\n"
    ".TP\n.B HALCYON_CODEPAGE\n"
    "The active 8\\-bit code page (Linux; default from the locale).\n";

const char kNatsUrl[] =
    ".TP\n.B NATS_URL\n"
    "The NATS server of \\fBhalcyon bridge\\fR when \\fB\\-\\-nats\\fR is not given.\n";

const char kSeeAlso[] =
    ".SH FILES\n"
    "The installation's folders, as \\fBhalcyon paths\\fR prints them: the root is the folder "
    "of the program, or its parent when that is named BIN.\n"
    ".SH SEE ALSO\n"
    "The HalcyonCommon documentation: \\fIdocs/cli\\-json.md\\fR describes the "
    "\\fB\\-\\-json\\fR output.\n";

}  // namespace

std::string RoffText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\[u%04lX]", DecodeUtf8(text, i));
            out += escape;
            continue;
        }
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-' &&
                   (out.empty() || !std::isalnum(static_cast<unsigned char>(text[i - 1])))) {
            out += "\\-";
        } else {
            out += c;
        }
        ++i;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

void PrintManual(std::FILE* out, const char* version) {
    std::fprintf(out, ".TH HALCYON 1 \"\" \"HalcyonCommon %s\" \"User Commands\"\n%s", version,
                 kHead);
    for (const CommandSpec* command : Commands()) PrintCommand(out, *command);
    std::fputs(kTail, out);
    if (HasCommand("bridge")) std::fputs(kNatsUrl, out);
    std::fputs(kSeeAlso, out);
}

}  // namespace halcyon::tool
