// Subcommands of the halcyon tool. Each lives in a file of its own and registers itself with a
// table that declares its forms, their arguments and options, and their help text:
//
//     int ShowPaths(const Invocation& call);
//     const CommandSpec kPathsSpec{"paths", "print the installation's folders",
//                                  "Prints the installation root ...",
//                                  {{"", "", "", {{"--market", "N", "also ...", 0, 254}},
//                                  ShowPaths}}};
//     const Registration kPaths{kPathsSpec};
//
// The tool parses the arguments against that table (Options.h) before a form's function runs, and
// prints the help and the manual page from it (Help.h), so the three never disagree. A form's
// function writes results to standard output and errors to standard error, and returns the
// process's exit code.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace halcyon::tool {

using Args = std::vector<std::string>;

// An option of a form: a flag ("--stale"), or one that takes a value ("--count N", also written
// "--count=N"). A value is checked as a whole number in [low, high] when low <= high.
struct Option {
    const char* name;   // with its dashes: "--count"
    const char* value;  // the value's placeholder ("N"), or nullptr for a flag
    const char* help;   // one paragraph
    long low = 0;
    long high = -1;
    bool hidden = false;  // between the tool's own processes: left out of the help and manual
};

class Invocation;
using Run = int (*)(const Invocation& call);

// One form of a command: "queue push NAME [FILE...]". `operands` lists the arguments in the
// usage's notation, from which the parser counts them: a word is required, a word in brackets
// optional, a word ending in "..." may repeat.
struct Form {
    const char* verb;      // the subcommand ("push"), or "" for a command that has none
    const char* operands;  // "NAME [FILE...]", "" for none
    const char* help;      // paragraphs, separated by '\n'
    std::vector<Option> options;
    Run run;
};

struct CommandSpec {
    const char* name;
    const char* summary;      // one line for the command list
    const char* description;  // paragraphs before the forms, separated by '\n' ("" for none)
    std::vector<Form> forms;
    const char* notes = "";  // paragraphs after the forms
};

// A parsed command line: the form chosen, its operands in order and the options given.
class Invocation {
  public:
    Invocation(const CommandSpec& command, const Form& form) : command_(&command), form_(&form) {}

    const CommandSpec& Command() const { return *command_; }
    const Form& Chosen() const { return *form_; }
    const Args& Operands() const { return operands_; }

    bool Has(const char* option) const { return values_.count(option) != 0; }
    // The option's value, or `fallback` when it was not given.
    std::string Value(const char* option, const std::string& fallback = "") const;
    // A numeric option's value (checked by the parser), or `fallback`.
    long Number(const char* option, long fallback) const;

    // Reports an argument the parser let through but the form refuses:
    // "halcyon <command>: bad argument '<argument>': <why>". Returns kExitUsage.
    int BadArgument(const std::string& argument, const std::string& why) const;

    void AddOperand(const std::string& operand) { operands_.push_back(operand); }
    void SetOption(const std::string& option, const std::string& value) { values_[option] = value; }

  private:
    const CommandSpec* command_;
    const Form* form_;
    Args operands_;
    std::map<std::string, std::string> values_;
};

struct Registration {
    explicit Registration(const CommandSpec& command);
};

// Every registered command, by name.
const std::vector<const CommandSpec*>& Commands();

// Exit codes shared by the subcommands.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Writes "halcyon <command>: <message>" and a pointer to the command's help to standard error
// and returns kExitUsage. Every usage error of the tool goes through here.
int UsageError(const char* command, const std::string& message);

// Parses a whole decimal number in [low, high]; false for anything else.
bool ParseNumber(const std::string& text, long low, long high, long& value);

}  // namespace halcyon::tool
