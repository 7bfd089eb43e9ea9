// SPDX-License-Identifier: GPL-3.0-or-later
#include "proving/proving_text.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

std::string WithUnit(std::string value, std::string_view unit) {
    return unit.empty() ? value : value + " " + std::string(unit);
}

}  // namespace

std::string FixedText(double value, int decimals, bool sign) {
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, decimals);
    std::string out(text.data(), result.ptr);
    return sign && out.front() != '-' ? "+" + out : out;
}

std::string ShortestText(double value) {
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return std::string(text.data(), result.ptr);
}

std::string SentText(double value) {
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), static_cast<float>(value));
    return std::string(text.data(), result.ptr);
}

std::string PercentText(const std::optional<double>& value) { return value ? FixedText(*value, 3) + " %" : "—"; }

std::vector<std::pair<std::string_view, std::string>> ZeroRows(const ZeroCheck& check) {
    const ZeroStatistics& s = check.statistics;
    const ZeroLimits& l = check.limits;
    const bool any = s.goodCycles > 0;
    const auto flow = [&](std::string text) { return any ? WithUnit(std::move(text), s.unit) : "—"; };
    return {
        {"有效周期", std::to_string(s.goodCycles) + "（预计 " + std::to_string(s.expectedCycles) + "）"},
        {"缺失周期", std::to_string(s.missingCycles)},
        {"平均值", flow(FixedText(s.mean, 4))},
        {"标准偏差", flow(FixedText(s.standardDeviation, 4))},
        {"最小值", flow(SentText(s.minimum))},
        {"最大值", flow(SentText(s.maximum))},
        {"流量量程", s.range > 0 && !s.unit.empty() ? WithUnit(ShortestText(s.range), s.unit) : "—"},
        {"平均值占量程", PercentText(s.meanPercent)},
        {"标准偏差占量程", PercentText(s.deviationPercent)},
        {"限值", "平均值 ≤ ±" + FixedText(l.meanPercent, 3) + " % 量程，标准偏差 ≤ " + FixedText(l.deviationPercent, 3) +
                     " % 量程，有效周期 ≥ " + FixedText(l.goodSharePercent, 0) + " % 且 ≥ " +
                     std::to_string(l.minimumGoodCycles)},
        {"结论", std::string(VerdictText(check.verdict))},
        {"说明", check.reason},
    };
}

std::string VolumeText(double value, int unit, int decimals) {
    return WithUnit(FixedText(value, decimals), TextAt(VolumeUnits, unit));
}

std::string TotalText(const TotalReading& total) {
    char text[48];
    std::snprintf(text, sizeof text, "%d.%03d", total.whole, total.thousandths);
    return WithUnit(text, TextAt(VolumeUnits, total.unit));
}

std::string ErrorText(const VerificationRun& run) { return FixedText(run.errorPercent, 3, true) + " %"; }

std::string MeterFactorText(const VerificationRun& run) {
    return run.meterFactor ? FixedText(*run.meterFactor, 5) : "—";
}

}  // namespace kelvo
