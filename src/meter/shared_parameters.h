// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Parameters both meter kinds keep alike: the live measurements and the settings whose
// registers, kinds and labels agree. Each map lists them by these constants, so a fact
// shared by the two kinds is still written once.

#include <array>
#include <string_view>

#include "meter/parameter.h"
#include "vocabulary/value_tables.h"

namespace kelvo {

inline constexpr std::array<std::string_view, 2> kNoYesItems = {"N", "Y"};
inline constexpr std::array<std::string_view, 2> kFlowDirectionItems = {"正向", "反向"};
inline constexpr std::array<std::string_view, 2> kPulseSignalItems = {"频率", "脉冲"};

namespace shared_parameters {

// The live block: what the main window shows once a second.
inline constexpr Parameter kFlow = {.name = "flow", .label = "瞬时流量", .kind = Kind::Float, .reg = 99,
                                    .unit = UnitSource::FlowUnit};
inline constexpr Parameter kVelocity = {.name = "velocity", .label = "瞬时流速", .kind = Kind::Float, .reg = 101};
inline constexpr Parameter kFlowPercent = {.name = "flow_percent", .label = "流量百分比", .kind = Kind::Float,
                                           .reg = 103};
inline constexpr Parameter kMt = {.name = "mt", .label = "MT", .kind = Kind::Float, .reg = 105};
inline constexpr Parameter kForwardTotal = {.name = "forward_total", .label = "流量正向累积", .kind = Kind::Total,
                                            .reg = 107, .perMeter = true, .unit = UnitSource::VolumeUnit};
inline constexpr Parameter kReverseTotal = {.name = "reverse_total", .label = "流量反向累积", .kind = Kind::Total,
                                            .reg = 111, .perMeter = true, .unit = UnitSource::VolumeUnit};
inline constexpr Parameter kFlowUnit = {.name = "flow_unit", .label = "流量单位", .control = Control::List,
                                        .kind = Kind::FlowUnitPair, .reg = 115, .listSource = ListSource::FlowUnits,
                                        .initial = 5};
inline constexpr Parameter kTotalsUnit = {.name = "totals_unit", .label = "累积单位", .control = Control::List,
                                          .reg = 117, .listSource = ListSource::VolumeUnits, .initial = 1};
inline constexpr Parameter kAlarm = {.name = "alarm", .label = "报警", .control = Control::IntEdit, .reg = 118};
inline constexpr Parameter kHeatPower = {.name = "heat_power", .label = "瞬时热量", .kind = Kind::Float, .reg = 119,
                                         .unit = UnitSource::PowerUnit};
inline constexpr Parameter kSupplyTemperature = {.name = "supply_temperature", .label = "进温(℃)",
                                                 .kind = Kind::Float, .reg = 121};
inline constexpr Parameter kReturnTemperature = {.name = "return_temperature", .label = "出温(℃)",
                                                 .kind = Kind::Float, .reg = 123};
inline constexpr Parameter kHeatTotal = {.name = "heat_total", .label = "热量累积", .kind = Kind::Total, .reg = 125,
                                         .perMeter = true, .unit = UnitSource::EnergyUnit};
inline constexpr Parameter kColdTotal = {.name = "cold_total", .label = "冷量累积", .kind = Kind::Total, .reg = 129,
                                         .perMeter = true, .unit = UnitSource::EnergyUnit};
inline constexpr Parameter kPowerUnit = {.name = "power_unit", .label = "功率单位", .control = Control::IntEdit,
                                         .reg = 133};
inline constexpr Parameter kEnergyUnit = {.name = "energy_unit", .label = "能量累积单位", .control = Control::List,
                                          .reg = 134, .mapping = Mapping::EnergyUnit,
                                          .listSource = ListSource::ShortEnergyUnits};

// Settings alike on both kinds.
inline constexpr Parameter kFlowRange = {.name = "flow_range", .label = "流量量程", .kind = Kind::U32, .reg = 139,
                                         .scale = 4, .unit = UnitSource::FlowUnit};
inline constexpr Parameter kTimeConstant = {.name = "time_constant", .label = "时间常数", .control = Control::IntEdit,
                                            .reg = 142};
inline constexpr Parameter kFlowDirection = {.name = "flow_direction", .label = "流量方向", .control = Control::List,
                                             .reg = 150, .items = kFlowDirectionItems};
inline constexpr Parameter kEmptyPipeDetection = {.name = "empty_pipe_detection", .label = "空管检测允许",
                                                  .control = Control::List, .reg = 153, .items = kNoYesItems};
inline constexpr Parameter kPulseSignal = {.name = "pulse_signal", .label = "脉冲输出信号", .control = Control::List,
                                           .reg = 185, .items = kPulseSignalItems};
inline constexpr Parameter kZeroCorrection = {.name = "zero_correction", .label = "零点修正(m/s)", .kind = Kind::S32,
                                              .reg = 323, .scale = 4};

}  // namespace shared_parameters
}  // namespace kelvo
