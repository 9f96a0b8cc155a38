// SPDX-License-Identifier: Apache-2.0
// The installation's texts for people. Language files and product facts are written in the
// terminal's Windows code page (GBK for Simplified Chinese, Big5 for Traditional); printed as they
// are on a UTF-8 terminal they show as mojibake. On a terminal they are converted to the locale's
// character set (iconv); into a file or a pipe, or with --raw, the bytes go out unchanged.
#pragma once

#include <string>

namespace halcyon::tool {

class TerminalText {
  public:
    // `raw`: never convert. `language`: the installation's selected language number.
    TerminalText(bool raw, int language);
    ~TerminalText();
    TerminalText(const TerminalText&) = delete;
    TerminalText& operator=(const TerminalText&) = delete;

    // `text` as the reader should get it: converted on a terminal (a sequence the locale cannot
    // show becomes '?'), unchanged otherwise, and unchanged when it is valid UTF-8 text already
    // on a UTF-8 terminal.
    std::string operator()(const std::string& text) const;

  private:
    void* converter_ = nullptr;  // null: the bytes go out as they are
    bool toUtf8_ = false;
};

// The installation's text `text` in UTF-8, for JSON, whatever the output is: valid UTF-8 stays as
// it is (as on a UTF-8 terminal), other text is converted from the installation's code page
// (SourceCodePage), and a byte that code page cannot read becomes the character of its number
// (U+0080-U+00FF), as docs/cli-json.md gives such bytes.
std::string Utf8Text(const std::string& text, int language);

// True when `text` is valid UTF-8 (ASCII included).
bool IsUtf8(const std::string& text);

// The code page of the installation's texts: HALCYON_CODEPAGE when set; otherwise 936 (GBK) for
// language 2, Simplified Chinese, and 950 (Big5) for the others, whose texts are ASCII or Big5.
unsigned SourceCodePage(int language);

// The iconv name of a Windows code page ("CP936"), or "" for one the tool does not know.
std::string CharsetOfCodePage(unsigned codePage);

}  // namespace halcyon::tool
