// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers in edit boxes: the text a value field shows and how typed text is read back.
// Independent of the process locale (the GUI runs in the user's locale).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/profile_values.h"  // FormatFixed, "%.*f"

namespace kelvo {

// Shortest general form with at most `significantDigits` digits ("%.*g"): 35, 0.5, 1e-05.
std::string FormatGeneral(double value, int significantDigits);
// "%08ld": eight digits with leading zeros.
std::string FormatMeterNumber(long long number);

// A decimal number, blanks around it allowed; no infinities or NaNs.
std::optional<double> ParseDecimal(std::string_view text);
// An optionally signed decimal integer in the signed 32-bit range, blanks around it allowed.
std::optional<long long> ParseInteger(std::string_view text);

}  // namespace kelvo
