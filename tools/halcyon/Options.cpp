// SPDX-License-Identifier: Apache-2.0
#include "Options.h"

#include <cctype>
#include <cstring>
#include <sstream>

namespace halcyon::tool {
namespace {

bool HasSubcommands(const CommandSpec& command) {
    return !command.forms.empty() && command.forms[0].verb[0] != '\0';
}

bool LooksLikeLongOption(const std::string& arg) {
    return arg.size() > 2 && arg.compare(0, 2, "--") == 0;
}

// "--x", or "-x" with a letter: not an operand ("-", "-7" are).
bool LooksLikeOption(const std::string& arg) {
    return LooksLikeLongOption(arg) ||
           (arg.size() > 1 && arg[0] == '-' && !std::isdigit(static_cast<unsigned char>(arg[1])));
}

const Option* FindOption(const Form& form, const std::string& name) {
    for (const Option& option : form.options) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

// Reads the option at args[i] (advancing i past its value); false with `error`.
bool ReadOption(const Form& form, const Args& args, size_t& i, Invocation& call,
                std::string& error) {
    const std::string& arg = args[i];
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const Option* option = FindOption(form, name);
    if (option == nullptr) {
        error = "unknown option '" + name + "'";
        return false;
    }
    if (option->value == nullptr) {
        if (equals != std::string::npos) {
            error = "option '" + name + "' takes no value";
            return false;
        }
        call.SetOption(name, "");
        return true;
    }
    std::string value;
    if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
    } else if (i + 1 < args.size() && !LooksLikeLongOption(args[i + 1])) {
        value = args[++i];
    } else {
        error = "option '" + name + "' needs a value (" + option->value + ")";
        return false;
    }
    long number = 0;
    if (option->low <= option->high && !ParseNumber(value, option->low, option->high, number)) {
        error = "bad value '" + value + "' for option '" + name + "': a number from " +
                std::to_string(option->low) + " to " + std::to_string(option->high);
        return false;
    }
    call.SetOption(name, value);
    return true;
}

bool CheckOperands(const Form& form, const Invocation& call, std::string& error) {
    const OperandCount count = CountOperands(form.operands);
    const Args& operands = call.Operands();
    if (operands.size() < count.required) {
        error = "missing argument " + count.names[operands.size()];
        if (form.verb[0] != '\0') error += " for " + std::string(form.verb);
        return false;
    }
    if (operands.size() > count.most) {
        error = "unexpected argument '" + operands[count.most] + "'";
        return false;
    }
    return true;
}

}  // namespace

OperandCount CountOperands(const char* notation) {
    OperandCount count;
    std::istringstream words(notation);
    std::string word;
    int depth = 0;
    while (words >> word) {
        const bool optional = depth > 0 || word[0] == '[';
        const bool repeats = word.find("...") != std::string::npos;
        std::string name;
        for (char c : word) {
            if (c == '[')
                ++depth;
            else if (c == ']')
                --depth;
            else if (c != '.')
                name += c;
        }
        count.names.push_back(name);
        if (!optional) ++count.required;
        count.most = repeats || count.most == OperandCount::kAnyNumber ? OperandCount::kAnyNumber
                                                                       : count.most + 1;
    }
    return count;
}

bool WantsHelp(const Args& args) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == "-h" || arg == "--help") return true;
    }
    return false;
}

std::string SubcommandList(const CommandSpec& command) {
    std::string list;
    for (const Form& form : command.forms)
        list += std::string(list.empty() ? "" : ", ") + form.verb;
    return list;
}

std::optional<Invocation> Parse(const CommandSpec& command, const Args& args, std::string& error) {
    const Form* form = command.forms.empty() ? nullptr : &command.forms[0];
    size_t first = 0;
    if (HasSubcommands(command)) {
        if (args.empty() || LooksLikeOption(args[0])) {
            error = "missing subcommand (" + SubcommandList(command) + ")";
            return std::nullopt;
        }
        form = nullptr;
        for (const Form& candidate : command.forms) {
            if (args[0] == candidate.verb) form = &candidate;
        }
        if (form == nullptr) {
            error = "unknown subcommand '" + args[0] + "' (" + SubcommandList(command) + ")";
            return std::nullopt;
        }
        first = 1;
    }
    if (form == nullptr) {
        error = "has no forms";
        return std::nullopt;
    }
    Invocation call(command, *form);
    bool optionsEnded = false;
    for (size_t i = first; i < args.size(); ++i) {
        if (!optionsEnded && args[i] == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && LooksLikeOption(args[i])) {
            if (!ReadOption(*form, args, i, call, error)) return std::nullopt;
        } else {
            call.AddOperand(args[i]);
        }
    }
    if (!CheckOperands(*form, call, error)) return std::nullopt;
    return call;
}

}  // namespace halcyon::tool
