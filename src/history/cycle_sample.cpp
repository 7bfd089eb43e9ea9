// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/cycle_sample.h"

#include "live/live_display.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

namespace live = shared_parameters;

constexpr std::string_view kUnknownUnit = "未知单位";

// A total as the meter keeps it: a signed whole part and signed thousandths.
std::int64_t Thousandths(const LiveRecord& record, int reg) {
    return std::int64_t{record.S32(reg)} * 1000 + record.S32(reg + 2);
}

template <std::size_t N>
std::string TableText(const std::array<std::string_view, N>& table, std::uint16_t index) {
    return std::string(TableAt(table, index).value_or(kUnknownUnit));
}

}  // namespace

CycleSample GoodSample(const LiveRecord& record, std::int64_t timeMs, int meterKind) {
    CycleSample sample;
    sample.timeMs = timeMs;
    sample.outcome = CycleOutcome::Good;
    for (const SeriesInfo& series : kSeries) {
        const auto slot = static_cast<std::size_t>(series.slot);
        switch (series.kind) {
            case SeriesKind::Float: sample.floats[slot] = record.Float(series.reg); break;
            case SeriesKind::Total: sample.totals[slot] = Thousandths(record, series.reg); break;
            case SeriesKind::Alarm: sample.alarmBits = record.U16(series.reg); break;
        }
    }
    sample.volumeUnit = record.U16(live::kFlowUnit.reg);
    sample.timeUnit = record.U16(live::kFlowUnit.reg + 1);
    sample.powerUnit = record.U16(live::kPowerUnit.reg);
    sample.energyUnit = record.U16(live::kEnergyUnit.reg);
    sample.alarmShown = !AlarmText(sample.alarmBits, meterKind).empty();
    return sample;
}

CycleSample FailedSample(std::int64_t timeMs) {
    CycleSample sample;
    sample.timeMs = timeMs;
    return sample;
}

double ValueOf(const CycleSample& sample, SeriesId id) {
    const SeriesInfo& series = InfoOf(id);
    const auto slot = static_cast<std::size_t>(series.slot);
    switch (series.kind) {
        case SeriesKind::Float: return sample.floats[slot];
        case SeriesKind::Total: return static_cast<double>(sample.totals[slot]) / 1000.0;
        case SeriesKind::Alarm: break;
    }
    return sample.alarmShown ? 1.0 : 0.0;
}

std::uint32_t UnitKey(const CycleSample& sample, SeriesId id) {
    switch (InfoOf(id).unit) {
        case UnitSource::FlowUnit: return std::uint32_t{sample.volumeUnit} << 16 | sample.timeUnit;
        case UnitSource::VolumeUnit: return sample.volumeUnit;
        case UnitSource::PowerUnit: return sample.powerUnit;
        case UnitSource::EnergyUnit: return sample.energyUnit;
        case UnitSource::Fixed: break;
    }
    return 0;
}

std::string UnitText(const CycleSample& sample, SeriesId id) {
    const SeriesInfo& series = InfoOf(id);
    switch (series.unit) {
        case UnitSource::FlowUnit: {
            const auto volume = TableAt(VolumeUnits, sample.volumeUnit);
            const auto time = TableAt(TimeUnits, sample.timeUnit);
            if (!volume || !time) return std::string(kUnknownUnit);
            return std::string(*volume) + '/' + std::string(*time);
        }
        case UnitSource::VolumeUnit: return TableText(VolumeUnits, sample.volumeUnit);
        case UnitSource::PowerUnit: return TableText(PowerUnits, sample.powerUnit);
        case UnitSource::EnergyUnit: return TableText(EnergyUnits, sample.energyUnit);
        case UnitSource::Fixed: break;
    }
    return std::string(series.fixedUnit);
}

std::span<const SeriesInfo> SeriesOfMeter(bool measuresHeat) {
    return measuresHeat ? std::span<const SeriesInfo>(kSeries) : std::span<const SeriesInfo>(kSeries).first(kSeriesWithoutHeat);
}

}  // namespace kelvo
