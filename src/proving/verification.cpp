// SPDX-License-Identifier: GPL-3.0-or-later
#include "proving/verification.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

// What a unit of VolumeUnits measures, and its size in the base unit of that quantity
// (litres, kilograms). The gallons are the legal definitions, exact in decimals.
enum class Quantity { Volume, Mass };
struct UnitSize {
    Quantity quantity;
    double base;
};
constexpr std::array<UnitSize, 6> kUnitSizes = {{
    {Quantity::Volume, 1.0},          // L
    {Quantity::Volume, 1000.0},       // m3
    {Quantity::Mass, 1.0},            // kg
    {Quantity::Mass, 1000.0},         // t
    {Quantity::Volume, 3.785411784},  // gal (US)
    {Quantity::Volume, 4.54609},      // Igal
}};
static_assert(kUnitSizes.size() == VolumeUnits.size(), "a size for every unit of VolumeUnits");

constexpr std::array<double, 3> kSecondsPerTimeUnit = {1.0, 60.0, 3600.0};
static_assert(kSecondsPerTimeUnit.size() == TimeUnits.size(), "a length for every unit of TimeUnits");

// A total in thousandths, exactly as the meter means whole + thousandths / 1000.
std::int64_t Thousandths(const TotalReading& reading) {
    return static_cast<std::int64_t>(reading.whole) * 1000 + reading.thousandths;
}

// "1234.567"; the meter's own form of a total.
std::string TotalText(std::int64_t thousandths) {
    const bool negative = thousandths < 0;
    const std::int64_t magnitude = negative ? -thousandths : thousandths;
    std::string fraction = std::to_string(magnitude % 1000);
    fraction.insert(0, 3 - fraction.size(), '0');
    return (negative ? "-" : "") + std::to_string(magnitude / 1000) + "." + fraction;
}

std::string UnitName(int unit) {
    const std::string_view name = TextAt(VolumeUnits, unit);
    return name.empty() ? "（代码 " + std::to_string(unit) + "）" : std::string(name);
}

// Why the readings make no run, or "" when they do.
std::string ReadingsProblem(std::span<const TotalReading> readings) {
    if (readings.size() < 2) return "缺少开始或结束时的正向累积读数，无法计算。";
    const int unit = readings.front().unit;
    if (!TableAt(VolumeUnits, unit)) return "仪表的累积单位未知（代码 " + std::to_string(unit) + "），无法计算。";
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const TotalReading& reading = readings[i];
        if (reading.unit != unit) {
            return "核查中仪表的累积单位由 " + UnitName(unit) + " 变为 " + UnitName(reading.unit) + "，本次核查作废。";
        }
        if (reading.thousandths < 0 || reading.thousandths > 999) {
            return "正向累积的千分位 " + std::to_string(reading.thousandths) + " 不在 0 至 999 之间，不是有效的累积值，本次核查作废。";
        }
        if (i > 0 && Thousandths(reading) < Thousandths(readings[i - 1])) {
            return "核查中正向累积由 " + TotalText(Thousandths(readings[i - 1])) + " 变为 " + TotalText(Thousandths(reading)) +
                   " " + UnitName(unit) + "，变小了（累积被清零或已溢出回零），本次核查作废。";
        }
    }
    return {};
}

}  // namespace

std::optional<double> ConvertVolume(double value, int from, int to) {
    const auto source = TableAt(kUnitSizes, from);
    const auto target = TableAt(kUnitSizes, to);
    if (!source || !target || source->quantity != target->quantity) return std::nullopt;
    if (from == to) return value;
    return value * source->base / target->base;
}

RunResult EvaluateRun(std::span<const TotalReading> readings, double durationSeconds,
                      const ReferenceVolume& reference, double tolerancePercent) {
    if (std::string problem = ReadingsProblem(readings); !problem.empty()) return {std::nullopt, std::move(problem)};
    if (!std::isfinite(durationSeconds) || durationSeconds <= 0) return {std::nullopt, "核查时长必须大于 0。"};
    if (!std::isfinite(reference.value) || reference.value <= 0) return {std::nullopt, "参考体积必须大于 0。"};
    if (!std::isfinite(tolerancePercent) || tolerancePercent <= 0) return {std::nullopt, "允许误差必须大于 0。"};

    VerificationRun run;
    run.unit = readings.front().unit;
    const auto referenceInUnit = ConvertVolume(reference.value, reference.unit, run.unit);
    if (!referenceInUnit) {
        return {std::nullopt, "参考体积的单位 " + UnitName(reference.unit) + " 不能换算为仪表的累积单位 " + UnitName(run.unit) +
                                  "（质量与体积之间的换算需要密度）。"};
    }
    // A typed reference so large or small that it leaves the doubles on conversion gives no run.
    if (!std::isfinite(*referenceInUnit) || *referenceInUnit <= 0) {
        return {std::nullopt, "参考体积换算为 " + UnitName(run.unit) + " 后超出可计算的范围。"};
    }
    run.measuredThousandths = Thousandths(readings.back()) - Thousandths(readings.front());
    run.durationSeconds = durationSeconds;
    run.reference = *referenceInUnit;
    run.errorPercent = (run.Measured() - run.reference) / run.reference * 100.0;
    if (run.measuredThousandths > 0) {
        run.meterFactor = run.reference / run.Measured();
        // 0.001 of the unit against n thousandths of it: 1/n, in percent.
        run.resolutionPercent = 100.0 / static_cast<double>(run.measuredThousandths);
    }
    run.tooShort = !run.resolutionPercent || *run.resolutionPercent > tolerancePercent / 10.0;
    return {run, {}};
}

std::optional<double> MeanFlow(const VerificationRun& run, int flowUnit) {
    if (flowUnit < 0 || flowUnit >= static_cast<int>(kFlowUnitCount) || run.durationSeconds <= 0) return std::nullopt;
    const int volumeUnit = flowUnit / static_cast<int>(TimeUnits.size());
    const int timeUnit = flowUnit % static_cast<int>(TimeUnits.size());
    const auto volume = ConvertVolume(run.Measured(), run.unit, volumeUnit);
    if (!volume) return std::nullopt;
    return *volume / (run.durationSeconds / kSecondsPerTimeUnit[static_cast<std::size_t>(timeUnit)]);
}

bool RunsSummary::WithinTolerance(double tolerancePercent) const {
    return runs > 0 && std::fabs(meanErrorPercent) <= tolerancePercent;
}

std::optional<RunsSummary> Summarise(std::span<const VerificationRun> runs) {
    if (runs.empty()) return std::nullopt;
    RunsSummary summary;
    summary.unit = runs.front().unit;
    double sum = 0;
    double smallest = runs.front().errorPercent;
    double largest = runs.front().errorPercent;
    for (const VerificationRun& run : runs) {
        if (run.unit != summary.unit) return std::nullopt;
        sum += run.errorPercent;
        smallest = std::min(smallest, run.errorPercent);
        largest = std::max(largest, run.errorPercent);
        summary.measuredThousandths += run.measuredThousandths;
        summary.reference += run.reference;
    }
    summary.runs = static_cast<int>(runs.size());
    summary.meanErrorPercent = sum / static_cast<double>(runs.size());
    summary.repeatabilityPercent = largest - smallest;
    return summary;
}

}  // namespace kelvo
