// SPDX-License-Identifier: Apache-2.0
#include "Help.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace halcyon::tool {
namespace {

constexpr size_t kWidth = 79;

std::string OptionText(const Option& option) {
    std::string text = option.name;
    if (option.value != nullptr) text += std::string(" ") + option.value;
    return text;
}

// Prints `text` wrapped, each line after an indent of `indent` spaces, the first after `label`
// (padded to the indent, or alone on its line when longer).
void PrintIndented(std::FILE* out, const std::string& label, const std::string& text,
                   size_t indent) {
    std::vector<std::string> lines = Wrap(text, kWidth - indent);
    size_t first = 0;
    if (label.size() + 1 > indent) {
        std::fprintf(out, "%s\n", label.c_str());
    } else if (!lines.empty()) {
        std::fprintf(out, "%-*s%s\n", static_cast<int>(indent), label.c_str(), lines[0].c_str());
        first = 1;
    } else {
        std::fprintf(out, "%s\n", label.c_str());
    }
    for (size_t i = first; i < lines.size(); ++i)
        std::fprintf(out, "%*s%s\n", static_cast<int>(indent), "", lines[i].c_str());
}

void PrintParagraphs(std::FILE* out, const std::string& text) {
    if (text.empty()) return;
    std::fputc('\n', out);
    for (const std::string& line : Wrap(text, kWidth)) std::fprintf(out, "%s\n", line.c_str());
}

void PrintOptions(std::FILE* out, const Form& form, size_t indent) {
    for (const Option& option : form.options) {
        if (!option.hidden)
            PrintIndented(out, std::string(indent, ' ') + OptionText(option), option.help,
                          indent + 20);
    }
}

}  // namespace

std::string UsageLine(const CommandSpec& command, const Form& form) {
    std::string line = std::string("halcyon ") + command.name;
    if (form.verb[0] != '\0') line += std::string(" ") + form.verb;
    if (form.operands[0] != '\0') line += std::string(" ") + form.operands;
    for (const Option& option : form.options) {
        if (!option.hidden) line += " [" + OptionText(option) + "]";
    }
    return line;
}

std::vector<std::string> Wrap(const std::string& text, size_t width) {
    std::vector<std::string> lines;
    std::istringstream paragraphs(text);
    std::string paragraph;
    bool firstParagraph = true;
    while (std::getline(paragraphs, paragraph)) {
        if (!firstParagraph) lines.emplace_back();
        firstParagraph = false;
        std::istringstream words(paragraph);
        std::string word, line;
        while (words >> word) {
            if (!line.empty() && line.size() + 1 + word.size() > width) {
                lines.push_back(line);
                line.clear();
            }
            line += (line.empty() ? "" : " ") + word;
        }
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

void PrintToolHelp(std::FILE* out) {
    std::fprintf(out,
                 "usage: halcyon <command> [arguments]\n"
                 "       halcyon help <command>\n"
                 "       halcyon --version\n"
                 "\n"
                 "The common library of the Halcyon terminal, from the shell.\n"
                 "\n"
                 "commands:\n");
    for (const CommandSpec* command : Commands())
        std::fprintf(out, "  %-12s %s\n", command->name, command->summary);
    std::fprintf(out,
                 "\n'halcyon help <command>' (or 'halcyon <command> --help') describes one "
                 "command.\n");
}

void PrintCommandHelp(const CommandSpec& command, std::FILE* out) {
    const char* prefix = "usage: ";
    const size_t lead = std::string("halcyon ").size() + std::string(command.name).size() + 1 +
                        std::string(prefix).size();
    for (const Form& form : command.forms) {
        // Long usages continue under the command's first argument.
        // An option in brackets stays on one line.
        std::string usage = UsageLine(command, form);
        int depth = 0;
        for (char& c : usage) {
            depth += c == '[' ? 1 : c == ']' ? -1 : 0;
            if (c == ' ' && depth > 0) c = '\x01';
        }
        std::vector<std::string> lines = Wrap(usage, kWidth - lead);
        for (std::string& line : lines) std::replace(line.begin(), line.end(), '\x01', ' ');
        std::string first = lines.empty() ? "" : lines[0];
        std::fprintf(out, "%s%s\n", prefix, first.c_str());
        for (size_t i = 1; i < lines.size(); ++i)
            std::fprintf(out, "%*s%s\n", static_cast<int>(lead), "", lines[i].c_str());
        prefix = "       ";
    }
    PrintParagraphs(out, command.description);
    size_t verbWidth = 0;
    for (const Form& form : command.forms) verbWidth = std::max(verbWidth, std::strlen(form.verb));
    for (const Form& form : command.forms) {
        if (form.verb[0] == '\0') {
            PrintParagraphs(out, form.help);
            bool visible = std::any_of(form.options.begin(), form.options.end(),
                                       [](const Option& o) { return !o.hidden; });
            if (visible) std::fprintf(out, "\noptions:\n");
            PrintOptions(out, form, 2);
            continue;
        }
        std::fputc('\n', out);
        PrintIndented(out, form.verb, form.help, verbWidth + 2);
        PrintOptions(out, form, verbWidth + 2);
    }
    PrintParagraphs(out, command.notes);
}

}  // namespace halcyon::tool
