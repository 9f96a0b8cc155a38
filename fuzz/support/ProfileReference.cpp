#include "ProfileReference.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace profile_reference {
namespace {

constexpr size_t kNone = std::string_view::npos;

bool Blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view Trimmed(std::string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && Blank(s[b])) ++b;
    while (e > b && Blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

class Text {
  public:
    explicit Text(const LeadTable& lead) : lead_(lead) {}

    bool Lead(char c) const { return lead_[static_cast<unsigned char>(c)]; }

    // Where `ch` first stands in `s` as a character of its own; kNone when it does not.
    size_t Find(std::string_view s, char ch) const {
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] == ch) return i;
            if (Lead(s[i])) ++i;
        }
        return kNone;
    }

    // The part of `s` before `ch`, or all of it.
    std::string_view Before(std::string_view s, char ch) const {
        return s.substr(0, std::min(Find(s, ch), s.size()));
    }

    // A name as it is looked up: trimmed, ASCII letters upper-cased, trail bytes kept.
    std::string Normal(std::string_view name) const {
        std::string out(Trimmed(name));
        for (size_t i = 0; i < out.size(); ++i) {
            if (Lead(out[i])) {
                ++i;
            } else if (out[i] >= 'a' && out[i] <= 'z') {
                out[i] = static_cast<char>(out[i] - 32);
            }
        }
        return out;
    }

    // Calls `line` for each line of `text` (split at lone line feeds), at most `most` of them.
    template <typename Line>
    void Lines(std::string_view text, size_t most, Line line) const {
        for (size_t count = 0; count < most; ++count) {
            size_t end = Find(text, '\n');
            line(text.substr(0, end));
            if (end == kNone) return;
            text.remove_prefix(end + 1);
        }
    }

  private:
    const LeadTable& lead_;
};

// One hand-over of keys to a section: keys [begin, end) of the key list.
struct Store {
    std::string section;
    size_t begin;
    size_t end;
};

struct Key {
    std::string name;
    std::string_view value;
};

bool ByNames(const Entry& a, const Entry& b) {
    return a.section != b.section ? a.section < b.section : a.key < b.key;
}

}  // namespace

Reference::Reference(std::string_view text, const LeadTable& lead) {
    const Text rules(lead);
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    std::vector<Key> keys;
    std::vector<Store> stores;
    size_t pending = 0;       // the first key seen since the last header
    std::string_view header;  // the last header line, empty when none
    auto hand_over = [&](bool has_name, std::string name) {
        if (has_name) stores.push_back(Store{std::move(name), pending, keys.size()});
        pending = keys.size();
    };
    // The name a header line gives, when it has a "]".
    auto section_of = [&](std::string_view line, std::string& name) {
        if (line.empty()) return false;
        size_t close = rules.Find(line.substr(1), ']');
        if (close == kNone) return false;
        name = rules.Normal(line.substr(1, close));
        return true;
    };
    rules.Lines(text, SIZE_MAX, [&](std::string_view line) {
        while (!line.empty() && Blank(line[0])) line.remove_prefix(1);
        if (line.size() < 2 || line[0] == ';') return;
        if (line[0] == '[') {
            std::string name;
            bool has_name = section_of(header, name);
            hand_over(has_name, std::move(name));
            header = line;
            return;
        }
        size_t equals = rules.Find(line, '=');
        if (equals == kNone || equals == 0) return;
        keys.push_back(Key{rules.Normal(line.substr(0, equals)), Trimmed(line.substr(equals + 1))});
    });
    std::string last;
    if (!section_of(header, last)) last.clear();
    hand_over(true, std::move(last));

    // A section stored again replaces what it held: the last store of each name counts.
    std::vector<size_t> order(stores.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return stores[a].section < stores[b].section; });
    for (size_t i = 0; i < order.size(); ++i) {
        if (i + 1 < order.size() && stores[order[i + 1]].section == stores[order[i]].section) {
            continue;
        }
        const Store& store = stores[order[i]];
        for (size_t k = store.begin; k < store.end; ++k) {
            entries_.push_back(Entry{store.section, keys[k].name, keys[k].value});
        }
    }
    // Within a section the first line of a key counts.
    std::stable_sort(entries_.begin(), entries_.end(), ByNames);
    auto same = [](const Entry& a, const Entry& b) {
        return a.section == b.section && a.key == b.key;
    };
    entries_.erase(std::unique(entries_.begin(), entries_.end(), same), entries_.end());
}

bool Reference::Find(std::string_view section, std::string_view key,
                     std::string_view& value) const {
    auto at = std::lower_bound(
        entries_.begin(), entries_.end(), std::make_pair(section, key),
        [](const Entry& e, const std::pair<std::string_view, std::string_view>& n) {
            return e.section != n.first ? e.section < n.first : e.key < n.second;
        });
    if (at == entries_.end() || at->section != section || at->key != key) return false;
    value = at->value;
    return true;
}

void NamesOf(std::string_view text, const LeadTable& lead, std::vector<std::string>& sections,
             std::vector<std::string>& keys) {
    const Text rules(lead);
    std::string tail = rules.Normal(text.substr(text.size() > 5 ? text.size() - 5 : 0));
    sections = {"", tail};
    keys = {"", tail};
    rules.Lines(text, 8, [&](std::string_view line) {
        size_t open = line.find('[');
        if (open != kNone) {
            sections.push_back(rules.Normal(rules.Before(line.substr(open + 1), ']')));
        } else {
            keys.push_back(rules.Normal(rules.Before(line, '=')));
        }
    });
    for (std::vector<std::string>* names : {&sections, &keys}) {
        std::sort(names->begin(), names->end());
        names->erase(std::unique(names->begin(), names->end()), names->end());
    }
}

}  // namespace profile_reference
