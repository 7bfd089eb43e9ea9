// SPDX-License-Identifier: GPL-3.0-or-later
#include "live/live_display.h"

#include <array>
#include <charconv>
#include <string_view>

#include "meter/shared_parameters.h"
#include "meter/value_format.h"
#include "settings/profile_values.h"  // FormatFixed: locale-independent "%.Nf"
#include "settings/settings.h"

namespace kelvo {

namespace {

// The registers the display reads (host order in the record): the same on both meter
// kinds, taken from the shared measurements.
namespace live = shared_parameters;
constexpr int kFlowReg = live::kFlow.reg;
constexpr int kVelocityReg = live::kVelocity.reg;
constexpr int kPercentReg = live::kFlowPercent.reg;
constexpr int kMtReg = live::kMt.reg;
constexpr int kAlarmReg = live::kAlarm.reg;
constexpr int kHeatPowerReg = live::kHeatPower.reg;
constexpr int kSupplyTempReg = live::kSupplyTemperature.reg;
constexpr int kReturnTempReg = live::kReturnTemperature.reg;

// printf's %0<width>ld: a minus sign first, then zeros up to the width.
std::string Integer(long value, int width = 0) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    std::string digits(text.data(), result.ptr);
    const std::size_t signLength = value < 0 ? 1 : 0;
    if (static_cast<int>(digits.size()) < width) {
        digits.insert(signLength, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return digits;
}

std::string WithUnit(std::string number, std::string_view unit) {
    number += ' ';
    number += unit;
    return number;
}

// A total as the meter keeps it: whole units, then thousandths, each signed ("%ld.%03ld %s"),
// in the unit the meter keeps it in.
std::string TotalText(const LiveRecord& record, const Parameter& total) {
    return WithUnit(Integer(record.S32(total.reg)) + '.' + Integer(record.S32(total.reg + 2), 3),
                    UnitText(total, record));
}

struct AlarmBit {
    std::uint16_t mask;
    std::string_view text;
};
constexpr AlarmBit kSystemAlarm = {0x01, "系统;"};
constexpr AlarmBit kEmptyPipeAlarm = {0x02, "空管;"};
// An empty pipe makes the limit alarms meaningless, so they are not shown with it.
constexpr std::array<AlarmBit, 2> kLimitAlarms = {{{0x04, "上限;"}, {0x08, "下限;"}}};
// Only the W58 meter measures temperatures.
constexpr std::array<AlarmBit, 2> kTemperatureAlarms = {{{0x10, "供温;"}, {0x20, "回温;"}}};

}  // namespace

std::string AlarmText(std::uint16_t alarmBits, int meterKind) {
    const auto bits = static_cast<std::uint16_t>(alarmBits & 0xFF);
    std::string text;
    if (bits & kSystemAlarm.mask) text += kSystemAlarm.text;
    if (bits & kEmptyPipeAlarm.mask) {
        text += kEmptyPipeAlarm.text;
    } else {
        for (const AlarmBit& alarm : kLimitAlarms) {
            if (bits & alarm.mask) text += alarm.text;
        }
    }
    if (meterKind == kW58Meter) {
        for (const AlarmBit& alarm : kTemperatureAlarms) {
            if (bits & alarm.mask) text += alarm.text;
        }
    }
    return text;
}

LiveTexts FormatLiveTexts(const LiveRecord& record, int meterKind) {
    LiveTexts texts;
    texts[kFlowField] = WithUnit(FormatFixed(record.Float(kFlowReg), 4), UnitText(live::kFlow, record));
    texts[kVelocityField] = WithUnit(FormatFixed(record.Float(kVelocityReg), 4), "m/s");
    texts[kPercentField] = FormatFixed(record.Float(kPercentReg), 2) + '%';
    texts[kMtField] = FormatFixed(record.Float(kMtReg), 0);
    texts[kForwardField] = TotalText(record, live::kForwardTotal);
    texts[kReverseField] = TotalText(record, live::kReverseTotal);
    texts[kAlarmField] = AlarmText(record.U16(kAlarmReg), meterKind);
    texts[kHeatPowerField] = WithUnit(FormatFixed(record.Float(kHeatPowerReg), 4), UnitText(live::kHeatPower, record));
    texts[kSupplyTempField] = FormatFixed(record.Float(kSupplyTempReg), 2);
    texts[kReturnTempField] = FormatFixed(record.Float(kReturnTempReg), 2);
    texts[kHeatTotalField] = TotalText(record, live::kHeatTotal);
    texts[kColdTotalField] = TotalText(record, live::kColdTotal);
    return texts;
}

}  // namespace kelvo
