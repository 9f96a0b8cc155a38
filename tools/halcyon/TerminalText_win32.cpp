// SPDX-License-Identifier: Apache-2.0
// A Windows console shows the system code page's texts itself: they go out as they are.
#include "TerminalText.h"

namespace halcyon::tool {

TerminalText::TerminalText(bool, int) {}
TerminalText::~TerminalText() {}
std::string TerminalText::operator()(const std::string& text) const { return text; }

}  // namespace halcyon::tool
