// SPDX-License-Identifier: Apache-2.0
// The little language of the conformance tables: one row is one line of calls, each call's
// result and last error checked against what Windows gives.
//
//   statement  := [name "="] expr ["=>" expect]        statements are separated by ";"
//   expr       := term (("|" | "+" | "-") term)*
//   term       := number | CONSTANT | name | "text" | 'text' | null | &name | Function(expr, ...)
//   expect     := ("ok" | "!0" | "*" | expr) ["gle" (expr | "-")]
//
// Numbers are 64-bit: a handle or address is its value, INVALID_HANDLE_VALUE is -1, a DWORD is
// zero-extended. "ok" is a value other than 0 and -1; "gle -" says the call left the last error
// as it was (the runner sets a marker before each call). In a text, "~" stands for the row's own
// token (so object names never meet another row's) and ^n ^r ^t ^0 ^q ^z ^^ ^xHH for LF, CR, tab,
// NUL, double quote, Ctrl-Z, caret and any byte. "&name" is the address of a scratch block of
// 8 KiB (0xEE bytes at first) named `name`, for output arguments; `name` alone then is the DWORD
// at its start as a number, and the block where a function takes an address. Functions are the
// Win32 and C runtime functions the library's stand-in exports, and the helpers of
// ConformanceCalls.cpp (files, other threads and processes).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace halcyon::conformance {

// A row that cannot be run (bad syntax, an unknown name, a null address to look at): it fails,
// it is never taken for a pass.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Value {
    std::int64_t n = 0;
    std::string text;
    bool isText = false;
    std::string block;  // "&name": the block named `name`
};

class Script;

// The arguments of one call, converted as the called function wants them.
class Args {
  public:
    Args(Script& script, const std::vector<Value>& values) : script_(script), values_(values) {}
    std::int64_t Int(std::size_t i) const;  // a number (a block read as its first DWORD)
    void* Ptr(std::size_t i) const;         // a number as an address, or a block
    const char* Str(std::size_t i) const;   // a text, or null for 0
    const std::string& Text(std::size_t i) const;
    std::size_t Count() const { return values_.size(); }
    // Argument i as the parameter it is passed to wants it: an address for a pointer, else a
    // number of the parameter's type.
    struct Arg {
        const Args& args;
        std::size_t i;
        template <typename T>
        operator T() const {
            if constexpr (std::is_pointer_v<T>) return static_cast<T>(args.Ptr(i));
            if constexpr (!std::is_pointer_v<T>) return static_cast<T>(args.Int(i));
        }
    };
    Arg operator[](std::size_t i) const { return {*this, i}; }
    Script& script() const { return script_; }

  private:
    Script& script_;
    const std::vector<Value>& values_;
};

using Function = Value (*)(const Args& a);

// ConformanceCalls.cpp: the functions and constants the rows may name.
const std::map<std::string, Function>& Functions();
const std::map<std::string, std::int64_t>& Constants();

// What a row made that outlives a call: closed at the row's end unless the row closed it.
enum class Resource { kHandle, kFind, kView, kCrtFind, kStream, kWindow };

// Another thread or process of a row (Thread, Hold: it ran its script and waits until released;
// Async, Spawn: it runs its script while the row goes on).
struct Hold {
    virtual ~Hold() = default;
    virtual int Release() = 0;  // its failure count, or its exit code
    virtual void Kill() = 0;
    bool settled = false;  // released or killed by the row, which looked at the outcome itself
};

class Script {
  public:
    explicit Script(std::string token) : token_(std::move(token)) {}
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    // Runs the statements of `text`; the messages of the checks that failed.
    std::vector<std::string> Run(const std::string& text);
    // Releases the held threads and processes and closes what the row left open; the failures
    // of the holds.
    std::vector<std::string> Finish();

    const std::string& Token() const { return token_; }
    unsigned char* Block(const std::string& name);
    void Track(Resource kind, std::int64_t value) { open_.push_back({kind, value}); }
    void Untrack(Resource kind, std::int64_t value);
    int AddHold(std::unique_ptr<Hold> hold);
    // errno as the call before the current one left it (the runner clears it before each call).
    int PreviousErrno() const { return previousErrno_; }
    Hold* HoldOf(std::int64_t id);

  private:
    struct Lexer;
    Value Expr(Lexer& lx);
    Value Term(Lexer& lx);
    Value Call(Lexer& lx, const std::string& name);
    void Statement(Lexer& lx, std::vector<std::string>& failures);

    std::string token_;
    std::map<std::string, Value> vars_;
    std::map<std::string, std::unique_ptr<unsigned char[]>> blocks_;
    std::vector<std::pair<Resource, std::int64_t>> open_;
    std::vector<std::unique_ptr<Hold>> holds_;
    unsigned long lastError_ = 0;
    int errno_ = 0;
    int previousErrno_ = 0;
};

// The marker a call finds as its last error; "gle -" expects it still there.
constexpr unsigned long kErrorMarker = 0x7E57;
constexpr std::size_t kBlockBytes = 8192;

// Closes resource `value` of `kind` (ConformanceCalls.cpp).
void CloseResource(Resource kind, std::int64_t value);
// Waits up to `seconds` for host file `path` to exist (ConformanceCalls.cpp).
bool AwaitFile(const std::string& path, int seconds);

}  // namespace halcyon::conformance
