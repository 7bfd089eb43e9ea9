// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the proving results read, the same in the report, on the command line and in the
// dialogs: numbers with a point whatever the locale, each value with its unit.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "proving/verification.h"
#include "proving/zero_check.h"

namespace kelvo {

// "0.812", "+2.050" with `sign`.
std::string FixedText(double value, int decimals, bool sign = false);
// The shortest text that reads back as the same double: "20", "12.3456".
std::string ShortestText(double value);
// A single float the meter sent, as short as it reads back: "0.1".
std::string SentText(double value);
// "12.3 %" to three decimals, "—" for none.
std::string PercentText(const std::optional<double>& value);

// The rows of a zero check after its times: label and value with unit, from "有效周期"
// to "说明". Statistics of no good cycle show "—".
std::vector<std::pair<std::string_view, std::string>> ZeroRows(const ZeroCheck& check);

// A volume in a VolumeUnits unit: "2.041 m3".
std::string VolumeText(double value, int unit, int decimals = 3);
// A total as the meter holds it: "1234.567 m3".
std::string TotalText(const TotalReading& total);
// "+2.050 %"
std::string ErrorText(const VerificationRun& run);
// "0.97991"; "—" when nothing was measured.
std::string MeterFactorText(const VerificationRun& run);

inline constexpr std::string_view kTooShortText = "核查过短，分辨率超过允许误差的十分之一";

}  // namespace kelvo
