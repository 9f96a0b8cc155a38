// SPDX-License-Identifier: Apache-2.0
#include "Conformance/ConformanceScript.h"

#include "Platform/Win.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace halcyon::conformance {

std::int64_t Args::Int(std::size_t i) const {
    if (i >= values_.size()) throw ScriptError("missing argument " + std::to_string(i + 1));
    if (values_[i].isText) throw ScriptError("argument " + std::to_string(i + 1) + " is a text");
    return values_[i].n;
}

void* Args::Ptr(std::size_t i) const {
    if (i < values_.size() && !values_[i].block.empty()) return script_.Block(values_[i].block);
    if (i < values_.size() && values_[i].isText) return const_cast<char*>(values_[i].text.data());
    return reinterpret_cast<void*>(static_cast<std::intptr_t>(Int(i)));
}

const char* Args::Str(std::size_t i) const {
    if (i < values_.size() && values_[i].isText) return values_[i].text.c_str();
    return static_cast<const char*>(Ptr(i));
}

const std::string& Args::Text(std::size_t i) const {
    if (i >= values_.size() || !values_[i].isText) {
        throw ScriptError("argument " + std::to_string(i + 1) + " must be a text");
    }
    return values_[i].text;
}

struct Script::Lexer {
    const std::string& s;
    std::size_t at = 0;

    // Blanks, and a comment to the end of the row.
    void Skip() {
        while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
        if (at < s.size() && s[at] == '#') at = s.size();
    }
    bool Peek(const char* word) {
        Skip();
        return s.compare(at, std::strlen(word), word) == 0;
    }
    bool Eat(const char* word) {
        if (!Peek(word)) return false;
        at += std::strlen(word);
        return true;
    }
    void Want(const char* word) {
        if (!Eat(word)) throw ScriptError(std::string("expected '") + word + "' at " + Where());
    }
    bool AtEnd() {
        Skip();
        return at >= s.size();
    }
    std::string Where() const { return "\"" + s.substr(at, 24) + "\""; }
    std::string Name() {
        Skip();
        std::size_t start = at;
        while (at < s.size() && (std::isalnum(static_cast<unsigned char>(s[at])) || s[at] == '_'))
            ++at;
        if (start == at) throw ScriptError("expected a name at " + Where());
        return s.substr(start, at - start);
    }
};

namespace {

// The character after a caret: ^n ^r ^t ^0 ^q ^z ^xHH, any other stands for itself.
char Unescape(const std::string& s, std::size_t& at) {
    static const std::string kCodes = "nrt0qz", kChars("\n\r\t\0\"\x1A", 6);
    char c = s.at(at++);
    if (c == 'x') {
        at += 2;
        return static_cast<char>(std::strtol(s.substr(at - 2, 2).c_str(), nullptr, 16));
    }
    std::size_t code = kCodes.find(c);
    return code == std::string::npos ? c : kChars[code];
}

// A value as a failure shows it; long texts are cut.
std::string Describe(const Value& v) {
    if (!v.isText) {
        std::ostringstream out;
        out << v.n << " (0x" << std::hex << static_cast<std::uint64_t>(v.n) << ")";
        return out.str();
    }
    std::string shown = "\"";
    for (char c : v.text.substr(0, 80)) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F || c == '^') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "^x%02X", u);
            shown += hex;
        } else {
            shown += c;
        }
    }
    return shown + (v.text.size() > 80 ? "\"..." : "\"");
}

}  // namespace

Value Script::Term(Lexer& lx) {
    lx.Skip();
    if (lx.at >= lx.s.size()) throw ScriptError("expression expected at the end");
    char c = lx.s[lx.at];
    Value v;
    if (c == '"' || c == '\'') {
        v.isText = true;
        for (++lx.at; lx.at < lx.s.size() && lx.s[lx.at] != c;) {
            char d = lx.s[lx.at++];
            if (d == '^')
                v.text += Unescape(lx.s, lx.at);
            else if (d == '~')
                v.text += token_;
            else
                v.text += d;
        }
        lx.Want(std::string(1, c).c_str());
        return v;
    }
    if (c == '&') {
        ++lx.at;
        v.block = lx.Name();
        v.n = static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(Block(v.block)));
        return v;
    }
    if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
        char* end = nullptr;
        v.n = static_cast<std::int64_t>(std::strtoull(lx.s.c_str() + lx.at, &end, 0));
        lx.at = static_cast<std::size_t>(end - lx.s.c_str());
        return v;
    }
    std::string name = lx.Name();
    if (lx.Peek("(")) return Call(lx, name);
    if (name == "null") return v;
    auto constant = Constants().find(name);
    if (constant != Constants().end()) {
        v.n = constant->second;
        return v;
    }
    auto var = vars_.find(name);
    if (var != vars_.end()) return var->second;
    auto block = blocks_.find(name);
    if (block != blocks_.end()) {  // its first DWORD, or the block itself where an address is due
        std::uint32_t word;
        std::memcpy(&word, block->second.get(), sizeof word);
        v.n = word;
        v.block = name;
        return v;
    }
    throw ScriptError("unknown name " + name);
}

Value Script::Expr(Lexer& lx) {
    Value v = Term(lx);
    for (;;) {
        lx.Skip();
        if (lx.Peek("=>")) return v;
        char op = lx.at < lx.s.size() ? lx.s[lx.at] : '\0';
        if (op != '|' && op != '+' && op != '-') return v;
        ++lx.at;
        std::int64_t rhs = Term(lx).n;
        v.n = op == '|' ? (v.n | rhs) : op == '+' ? v.n + rhs : v.n - rhs;
        v.isText = false;
        v.block.clear();
    }
}

Value Script::Call(Lexer& lx, const std::string& name) {
    auto fn = Functions().find(name);
    if (fn == Functions().end()) throw ScriptError("unknown function " + name);
    lx.Want("(");
    std::vector<Value> values;
    while (!lx.Eat(")")) {
        if (!values.empty()) lx.Want(",");
        values.push_back(Expr(lx));
    }
    Args args(*this, values);
    previousErrno_ = errno_;
    errno = 0;
    win::SetLastError(kErrorMarker);
    Value result = fn->second(args);
    lastError_ = win::GetLastError();
    errno_ = errno;
    return result;
}

void Script::Statement(Lexer& lx, std::vector<std::string>& failures) {
    std::size_t start = lx.at;
    std::string assign;
    lx.Skip();
    if (lx.at < lx.s.size() && std::isalpha(static_cast<unsigned char>(lx.s[lx.at]))) {
        std::string name = lx.Name();
        if (lx.Peek("=") && !lx.Peek("=>")) {
            lx.Want("=");
            assign = name;
        } else {
            lx.at = start;
        }
    }
    Value v = Expr(lx);
    unsigned long error = lastError_;
    if (!assign.empty()) vars_[assign] = v;
    if (!lx.Eat("=>")) return;
    bool good = true;
    std::string want;
    if (lx.Eat("ok")) {
        good = !v.isText && v.n != 0 && v.n != -1;
        want = "ok";
    } else if (lx.Eat("!0")) {
        good = v.isText || v.n != 0;
        want = "!0";
    } else if (!lx.Eat("*")) {
        Value expected = Expr(lx);
        good =
            expected.isText ? v.isText && v.text == expected.text : !v.isText && v.n == expected.n;
        want = Describe(expected);
    }
    if (lx.Eat("gle")) {
        unsigned long wanted = lx.Eat("-") ? kErrorMarker : static_cast<unsigned long>(Expr(lx).n);
        if (error != wanted) {
            good = false;
            want += " gle " + std::to_string(wanted);
        }
    }
    if (!good) {
        std::string text = lx.s.substr(start, lx.at - start);
        text = text.substr(0, text.find(" #"));
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
            text.erase(0, 1);
        failures.push_back(text + ": got " + Describe(v) + " gle " + std::to_string(error) +
                           ", want " + want);
    }
}

std::vector<std::string> Script::Run(const std::string& text) {
    std::vector<std::string> failures;
    Lexer lx{text};
    try {
        while (!lx.AtEnd()) {
            Statement(lx, failures);
            if (!lx.AtEnd()) lx.Want(";");
        }
    } catch (const std::exception& e) {
        failures.push_back(std::string("script error: ") + e.what());
    }
    return failures;
}

unsigned char* Script::Block(const std::string& name) {
    auto& block = blocks_[name];
    if (!block) {
        block.reset(new unsigned char[kBlockBytes]);
        std::memset(block.get(), 0xEE, kBlockBytes);
    }
    return block.get();
}

void Script::Untrack(Resource kind, std::int64_t value) {
    auto it = std::find(open_.begin(), open_.end(), std::make_pair(kind, value));
    if (it != open_.end()) open_.erase(it);
}

int Script::AddHold(std::unique_ptr<Hold> hold) {
    holds_.push_back(std::move(hold));
    return static_cast<int>(holds_.size());
}

Hold* Script::HoldOf(std::int64_t id) {
    if (id < 1 || id > static_cast<std::int64_t>(holds_.size())) throw ScriptError("no such hold");
    return holds_[static_cast<std::size_t>(id - 1)].get();
}

std::vector<std::string> Script::Finish() {
    std::vector<std::string> failures;
    for (std::size_t i = 0; i < holds_.size(); ++i) {
        int code = holds_[i]->Release();
        if (code != 0 && !holds_[i]->settled) {
            failures.push_back("hold " + std::to_string(i + 1) +
                               " failed: " + std::to_string(code));
        }
    }
    holds_.clear();
    // Newest first: views before their mappings, as a program would close them.
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) CloseResource(it->first, it->second);
    open_.clear();
    return failures;
}

Script::~Script() { Finish(); }

}  // namespace halcyon::conformance
