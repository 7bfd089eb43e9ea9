// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one polling cycle leaves in the history: its wall-clock time, whether it was good,
// and for a good one every live value as the meter sent it — floats in single precision,
// totals exactly (as a count of thousandths), the alarm bits raw — with the unit registers
// of that cycle. The series table names each live value once: its label, where it sits
// in the sample, which unit it carries.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "meter/live_record.h"
#include "meter/shared_parameters.h"

namespace kelvo {

enum class SeriesId : std::uint8_t {
    Flow,
    Velocity,
    Percent,
    Mt,
    ForwardTotal,
    ReverseTotal,
    Alarm,
    HeatPower,
    SupplyTemperature,
    ReturnTemperature,
    HeatTotal,
    ColdTotal,
};
inline constexpr std::size_t kSeriesCount = 12;

enum class SeriesKind : std::uint8_t { Float, Total, Alarm };

struct SeriesInfo {
    SeriesId id;
    std::string_view name;   // stable, for tests and object names
    std::string_view label;  // as the live display names the value
    SeriesKind kind;
    int reg;   // first register of the value in the live record
    int slot;  // index into the sample's floats or totals
    UnitSource unit;  // a unit register of the same cycle, or Fixed: fixedUnit, perhaps none
    std::string_view fixedUnit = {};
    bool heat = false;  // measured by heat meters only
};

inline constexpr std::size_t kFloatSlots = 7;
inline constexpr std::size_t kSeriesWithoutHeat = 7;
inline constexpr std::size_t kTotalSlots = 4;

namespace series_detail {
namespace live = shared_parameters;
}  // namespace series_detail

inline constexpr std::array<SeriesInfo, kSeriesCount> kSeries = {{
    {SeriesId::Flow, "flow", "瞬时流量", SeriesKind::Float, series_detail::live::kFlow.reg, 0, UnitSource::FlowUnit},
    {SeriesId::Velocity, "velocity", "瞬时流速", SeriesKind::Float, series_detail::live::kVelocity.reg, 1,
     UnitSource::Fixed, "m/s"},
    {SeriesId::Percent, "flow_percent", "流量百分比", SeriesKind::Float, series_detail::live::kFlowPercent.reg, 2,
     UnitSource::Fixed, "%"},
    {SeriesId::Mt, "mt", "MT", SeriesKind::Float, series_detail::live::kMt.reg, 3, UnitSource::Fixed},
    {SeriesId::ForwardTotal, "forward_total", "正向累积", SeriesKind::Total, series_detail::live::kForwardTotal.reg, 0,
     UnitSource::VolumeUnit},
    {SeriesId::ReverseTotal, "reverse_total", "反向累积", SeriesKind::Total, series_detail::live::kReverseTotal.reg, 1,
     UnitSource::VolumeUnit},
    {SeriesId::Alarm, "alarm", "报警", SeriesKind::Alarm, series_detail::live::kAlarm.reg, 0, UnitSource::Fixed},
    {SeriesId::HeatPower, "heat_power", "瞬时热量", SeriesKind::Float, series_detail::live::kHeatPower.reg, 4,
     UnitSource::PowerUnit, {}, true},
    {SeriesId::SupplyTemperature, "supply_temperature", "进温", SeriesKind::Float,
     series_detail::live::kSupplyTemperature.reg, 5, UnitSource::Fixed, "℃", true},
    {SeriesId::ReturnTemperature, "return_temperature", "出温", SeriesKind::Float,
     series_detail::live::kReturnTemperature.reg, 6, UnitSource::Fixed, "℃", true},
    {SeriesId::HeatTotal, "heat_total", "热量累积", SeriesKind::Total, series_detail::live::kHeatTotal.reg, 2,
     UnitSource::EnergyUnit, {}, true},
    {SeriesId::ColdTotal, "cold_total", "冷量累积", SeriesKind::Total, series_detail::live::kColdTotal.reg, 3,
     UnitSource::EnergyUnit, {}, true},
}};

constexpr const SeriesInfo& InfoOf(SeriesId id) { return kSeries[static_cast<std::size_t>(id)]; }

constexpr bool SeriesTableHolds() {
    std::size_t floats = 0;
    std::size_t totals = 0;
    for (std::size_t i = 0; i < kSeries.size(); ++i) {
        const SeriesInfo& series = kSeries[i];
        if (static_cast<std::size_t>(series.id) != i) return false;
        // Each value has a slot of its own.
        if (series.kind == SeriesKind::Float && series.slot != static_cast<int>(floats++)) return false;
        if (series.kind == SeriesKind::Total && series.slot != static_cast<int>(totals++)) return false;
        if (!LiveOffset(series.reg)) return false;
        // The heat values come last, so that a meter without them takes the first seven.
        if (series.heat != (i >= kSeriesWithoutHeat)) return false;
    }
    return floats == kFloatSlots && totals == kTotalSlots;
}
static_assert(SeriesTableHolds(), "every series in order, in a slot of its own, inside the live record");

enum class CycleOutcome : std::uint8_t { Good, Failed };

struct CycleSample {
    std::int64_t timeMs = 0;  // wall clock, milliseconds since 1970 UTC
    std::array<float, kFloatSlots> floats{};
    std::array<std::int64_t, kTotalSlots> totals{};  // thousandths
    std::uint16_t alarmBits = 0;
    std::uint16_t volumeUnit = 0;
    std::uint16_t timeUnit = 0;
    std::uint16_t powerUnit = 0;
    std::uint16_t energyUnit = 0;
    CycleOutcome outcome = CycleOutcome::Failed;
    bool alarmShown = false;  // the live display shows an alarm text for these bits
    // The line broke before this cycle (the port was opened anew, the clock jumped): no
    // line joins it to what came before.
    bool breakBefore = false;

    bool Good() const { return outcome == CycleOutcome::Good; }
};

// The values of a good cycle from its record (host order), at `timeMs`.
CycleSample GoodSample(const LiveRecord& record, std::int64_t timeMs, int meterKind);
CycleSample FailedSample(std::int64_t timeMs);

// A series' value as a number: the float widened, a total in whole units, the alarm 1
// while an alarm is shown and 0 otherwise.
double ValueOf(const CycleSample& sample, SeriesId id);

// Two samples carry a series in the same unit exactly when their keys are equal.
std::uint32_t UnitKey(const CycleSample& sample, SeriesId id);
// The unit as the live display writes it ("m3/h", "kWh", "℃"); "未知单位" for a register
// outside its table, empty for a value without a unit.
std::string UnitText(const CycleSample& sample, SeriesId id);

// The series of a meter: the seven every meter has, and the heat values for heat meters.
std::span<const SeriesInfo> SeriesOfMeter(bool measuresHeat);

}  // namespace kelvo
