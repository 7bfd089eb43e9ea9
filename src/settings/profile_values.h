// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How value texts of config.ini become numbers and numbers become texts. Every rule here
// ignores the process locale: the GUI sets it from the environment, and a German decimal
// comma must neither cut "12.3457" down to 12 nor turn up in the file.

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvo {

// The decimal number at the start of the text (leading blanks, an optional sign), 0 when
// there is none. A number beyond the int range gives the nearest int.
int ParseProfileInt(std::string_view text);

// The longest leading part of the text that reads as a number under the C library's
// text-to-double rule (leading blanks, sign, exponent, "inf", hexadecimal), 0.0 when there
// is none.
double ParseProfileReal(std::string_view text);

// printf's "%.<decimals>f".
std::string FormatFixed(double value, int decimals);

// The first `count` characters of a UTF-8 text; a character is never split.
std::string_view FirstCharacters(std::string_view text, std::size_t count);

}  // namespace kelvo
