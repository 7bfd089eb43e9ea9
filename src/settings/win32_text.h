// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// UTF-8, the program's text everywhere, to and from UTF-16, the text of every Win32 call.
// Paths go through these, never through the ANSI code page, so that a user folder named
// in Chinese works on a system whose code page has no Chinese. Windows builds only.

#include <string>
#include <string_view>

namespace kelvo {

// Invalid sequences become U+FFFD.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace kelvo
