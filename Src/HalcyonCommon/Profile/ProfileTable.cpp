// SPDX-License-Identifier: Apache-2.0
// Parsing a profile file into its table.
//
// The text is walked line by line (at line feeds that are characters of their own) with two
// pieces of state: the keys seen since the last header (pending) and that header's line. A new
// header hands the pending keys to the section the previous header names, replacing what an
// earlier occurrence of that section held; the end of the text hands them to the last header's
// section. Names are upper-cased in place, so that the table's spans point at their normal form.
// Every key line goes to one list, and a section holds a range of it, so that a repeated section
// or a broken header costs no copy of the keys.
#include "HalcyonCommon/Profile/ProfileTable.h"

#include "HalcyonCommon/Profile/ProfileText.h"

#include <cstring>
#include <utility>

namespace halcyon::profile {

namespace {

struct KeyLine {
    Span key;
    Span value;
};

// Lines [begin, end) of the key list.
struct LineRange {
    size_t begin = 0;
    size_t end = 0;
};

}  // namespace

class Table::Parser {
  public:
    explicit Parser(Table& table) : table_(table), text_(table.text_), lead_(ActiveLeadBytes()) {}

    void Run() {
        size_t pos = 0;
        while (pos < text_.size()) {
            size_t end = LineEnd(pos);
            Line(pos, end);
            pos = end + 1;
        }
        // The last header's keys; without a header, or without its "]", the empty name's.
        std::string_view name;
        if (!SectionName(name)) name = std::string_view(text_.data(), 0);
        HandOver(name);
        Finish();
    }

  private:
    size_t LineEnd(size_t pos) const {
        size_t at = FindChar(std::string_view(text_).substr(pos), '\n', lead_);
        return at == std::string_view::npos ? text_.size() : pos + at;
    }

    Span SpanOf(std::string_view part) const {
        return Span{static_cast<std::uint32_t>(part.data() - text_.data()),
                    static_cast<std::uint32_t>(part.size())};
    }

    void Line(size_t begin, size_t end) {
        std::string_view line = TrimLeft(std::string_view(text_).substr(begin, end - begin));
        if (line.size() < 2 || line[0] == ';') return;
        if (line[0] == '[') {
            std::string_view name;
            if (SectionName(name)) {
                HandOver(name);
            } else {
                pending_ = lines_.size();
            }
            header_ = line;
            hasHeader_ = true;
            return;
        }
        size_t equals = FindChar(line, '=', lead_);
        if (equals == std::string_view::npos || equals == 0) return;
        std::string_view key = TrimRight(line.substr(0, equals));
        std::string_view value = Trim(line.substr(equals + 1));
        UpperCaseName(text_.data() + (key.data() - text_.data()), key.size(), lead_);
        lines_.push_back(KeyLine{SpanOf(key), SpanOf(value)});
    }

    // The name the previous header line gives its section: between "[" and the first "]",
    // trimmed and upper-cased in place. False when there was no header or it has no "]".
    bool SectionName(std::string_view& name) {
        if (!hasHeader_) return false;
        size_t close = FindChar(header_.substr(1), ']', lead_);
        if (close == std::string_view::npos) return false;
        name = Trim(header_.substr(1, close));
        UpperCaseName(text_.data() + (name.data() - text_.data()), name.size(), lead_);
        return true;
    }

    // The pending keys become the whole of section `name`.
    void HandOver(std::string_view name) {
        bool added = false;
        Span next{static_cast<std::uint32_t>(sectionLines_.size()), 0};
        Span& number =
            table_.sections_.Insert(text_.data(), SpanOf(name), HashName(name), next, added);
        if (added) sectionLines_.emplace_back();
        sectionLines_[number.offset] = LineRange{pending_, lines_.size()};
        pending_ = lines_.size();
    }

    // Indexes each section's keys; the first line for a key wins.
    void Finish() {
        table_.keys_.resize(sectionLines_.size());
        for (size_t s = 0; s < sectionLines_.size(); ++s) {
            SpanIndex& keys = table_.keys_[s];
            const LineRange& range = sectionLines_[s];
            keys.Reserve(range.end - range.begin);
            for (size_t i = range.begin; i < range.end; ++i) {
                const KeyLine& line = lines_[i];
                bool added = false;
                std::string_view key = View(text_.data(), line.key);
                keys.Insert(text_.data(), line.key, HashName(key), line.value, added);
            }
        }
    }

    Table& table_;
    std::string& text_;
    const LeadBytes& lead_;
    std::vector<KeyLine> lines_;  // every key line, in the order of the text
    size_t pending_ = 0;          // the first of the lines seen since the last header
    std::string_view header_;
    bool hasHeader_ = false;
    std::vector<LineRange> sectionLines_;  // per section number: its lines
};

Table::Table(std::string text) : text_(std::move(text)) {
    text_.resize(std::strlen(text_.c_str()));  // a zero byte ends the text
    if (text_.size() > kMaxFileBytes) text_.resize(kMaxFileBytes);
    Parser(*this).Run();
}

}  // namespace halcyon::profile
