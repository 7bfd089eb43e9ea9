// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The generic meter's register map: the live block, the sixteen settings of its page,
// the frequency upper limit it reports as a fixed value, and its two commands.

#include <array>
#include <string_view>

#include "meter/parameter.h"
#include "meter/shared_parameters.h"

namespace kelvo::generic_map {

inline constexpr std::array<std::string_view, 7> kBaudRateItems = {"1200",  "2400",  "4800", "9600",
                                                                   "19200", "38400", "57600"};

using namespace shared_parameters;

inline constexpr auto kParameters = std::to_array<Parameter>({
    kFlow, kVelocity, kFlowPercent, kMt, kForwardTotal, kReverseTotal, kFlowUnit, kTotalsUnit, kAlarm, kHeatPower,
    kSupplyTemperature, kReturnTemperature, kHeatTotal, kColdTotal, kPowerUnit, kEnergyUnit,
    kFlowRange,
    {.name = "low_flow_cutoff", .label = "流量切除", .control = Control::FloatEdit, .reg = 141, .scale = 1},
    kTimeConstant,
    {.name = "sensor_factor", .label = "传感器系数", .kind = Kind::S32, .reg = 147,
     .mapping = Mapping::EncodedFactor},
    {.name = "diameter", .label = "口径", .control = Control::List, .reg = 149, .mapping = Mapping::EncodedDiameter,
     .listSource = ListSource::AllDiameters},
    kFlowDirection,
    kEmptyPipeDetection,
    {.name = "empty_pipe_threshold", .label = "空管检测阈值", .control = Control::IntEdit, .reg = 154},
    {.name = "reverse_output", .label = "反向输出允许", .control = Control::List, .reg = 155, .items = kNoYesItems},
    {.name = "meter_address", .label = "设备地址", .control = Control::IntEdit, .reg = 156, .perMeter = true},
    {.name = "meter_baud_rate", .label = "波特率", .control = Control::List, .reg = 157, .items = kBaudRateItems,
     .perMeter = true},
    kPulseSignal,
    {.name = "pulse_equivalent", .label = "脉冲当量", .kind = Kind::U32, .reg = 189, .scale = 3},
    kZeroCorrection,
    // Fixed in the meter: shown, never read or written.
    {.name = "frequency_upper_limit", .label = "频率上限", .kind = Kind::None, .initial = 2000},
});

inline constexpr auto kCommands = std::to_array<MeterCommand>({
    {.name = "auto_zero", .reg = 151, .value = 1},
    {.name = "clear_totals", .reg = 152, .value = 1},
});

inline constexpr RegisterMap kMap = {.kindName = "generic", .parameters = kParameters, .commands = kCommands};

}  // namespace kelvo::generic_map
