// SPDX-License-Identifier: Apache-2.0
// The text of one log line, built without printf: the same bytes as the line formats
// "%-8s\t%d\t%s\t%s\r\n" and "%-20s\t%d\t%s\r\n", at a fraction of printf's cost, since a
// flushed line must cost no more than the write it ends in.
#pragma once

#include <charconv>
#include <cstring>
#include <string>

namespace halcyon::nimbuslog {

class LineText {
  public:
    LineText() = default;
    LineText(const LineText&) = delete;
    LineText& operator=(const LineText&) = delete;

    // %s: a null text prints "(null)", as the runtime's printf does.
    LineText& Text(const char* psz) {
        if (psz == nullptr) psz = "(null)";
        Append(psz, std::strlen(psz));
        return *this;
    }

    // %-Ns: the text, then blanks up to `width`; a longer text is kept whole.
    LineText& Padded(const char* psz, size_t width) {
        size_t before = size();
        Text(psz);
        static const char kBlanks[] = "                    ";
        while (size() - before < width) {
            size_t pad = width - (size() - before);
            Append(kBlanks, pad < sizeof kBlanks - 1 ? pad : sizeof kBlanks - 1);
        }
        return *this;
    }

    // %d.
    LineText& Number(int n) {
        char digits[16];
        auto result = std::to_chars(digits, digits + sizeof digits, n);
        Append(digits, static_cast<size_t>(result.ptr - digits));
        return *this;
    }

    LineText& Tab() {
        Append("\t", 1);
        return *this;
    }

    LineText& End() {
        Append("\r\n", 2);
        return *this;
    }

    const char* data() const { return m_spill.empty() ? m_inline : m_spill.data(); }
    size_t size() const { return m_spill.empty() ? m_size : m_spill.size(); }

  private:
    void Append(const char* text, size_t length) {
        if (m_spill.empty() && m_size + length <= sizeof m_inline) {
            std::memcpy(m_inline + m_size, text, length);
            m_size += length;
            return;
        }
        if (m_spill.empty()) m_spill.assign(m_inline, m_size);
        m_spill.append(text, length);
    }

    char m_inline[512];
    size_t m_size = 0;
    std::string m_spill;  // the text once it outgrows m_inline
};

}  // namespace halcyon::nimbuslog
