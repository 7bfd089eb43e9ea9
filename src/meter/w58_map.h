// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The W58 meter's register map: the live block, every setting its six pages show, and
// its seven commands.

#include <array>
#include <string_view>

#include "meter/parameter.h"
#include "meter/shared_parameters.h"
#include "vocabulary/value_tables.h"

namespace kelvo::w58_map {

// A W58 meter offers DN20, DN25 and DN32 only: list index 0 is DnList index 9.
inline constexpr std::array<std::string_view, 3> kDiameterItems = {"DN20", "DN25", "DN32"};
inline constexpr int kFirstDiameter = kDiameterOffset;
inline constexpr std::array<std::string_view, 3> kMeasuringDirections = {"正向", "反向", "双向"};
inline constexpr std::array<std::string_view, 2> kIdleLevels = {"低电平", "高电平"};
inline constexpr std::array<std::string_view, 2> kPulseStates = {"无源", "有源"};
inline constexpr std::array<std::string_view, 6> kPulseWidths = {"200ms", "100ms", "52ms", "20ms", "10ms", "50%"};
inline constexpr std::array<std::string_view, 2> kPulseTypes = {"流量", "能量"};
inline constexpr std::array<std::string_view, 4> kExcitationFrequencies = {"3.125Hz", "6.25Hz", "12.5Hz", "25Hz"};
inline constexpr std::array<std::string_view, 2> kMainsFrequencies = {"50Hz", "60Hz"};
inline constexpr std::array<std::string_view, 3> kWorkingModes = {"自动", "热量", "冷量"};
inline constexpr std::array<std::string_view, 2> kMedia = {"水", "其他"};
inline constexpr std::array<std::string_view, 2> kPressureOptions = {"0.6Mpa", "1.6Mpa"};
inline constexpr std::array<std::string_view, 2> kDensityOptions = {"供温", "回温"};

using namespace shared_parameters;

// A switch: an N/Y list on one register.
constexpr Parameter Switch(std::string_view name, std::string_view label, std::uint16_t reg) {
    return {.name = name, .label = label, .control = Control::List, .reg = reg, .items = kNoYesItems};
}
// A percentage in tenths of a percent, one unsigned word.
constexpr Parameter Percentage(std::string_view name, std::string_view label, std::uint16_t reg) {
    return {.name = name, .label = label, .reg = reg, .scale = 1};
}
constexpr Parameter List(std::string_view name, std::string_view label, std::uint16_t reg,
                         std::span<const std::string_view> items) {
    return {.name = name, .label = label, .control = Control::List, .reg = reg, .items = items};
}
constexpr Parameter Integer(std::string_view name, std::string_view label, std::uint16_t reg) {
    return {.name = name, .label = label, .control = Control::IntEdit, .reg = reg};
}
constexpr Parameter Decimal(std::string_view name, std::string_view label, Kind kind, std::uint16_t reg, int scale) {
    return {.name = name, .label = label, .kind = kind, .reg = reg, .scale = scale};
}
constexpr Parameter PerMeter(Parameter parameter) {
    parameter.perMeter = true;
    return parameter;
}

inline constexpr auto kParameters = std::to_array<Parameter>({
    kFlow, kVelocity, kFlowPercent, kMt, kForwardTotal, kReverseTotal, kFlowUnit, kTotalsUnit, kAlarm, kHeatPower,
    kSupplyTemperature, kReturnTemperature, kHeatTotal, kColdTotal, kPowerUnit, kEnergyUnit,
    // Common parameters and the meter's own line.
    kFlowRange,
    Decimal("sensor_factor", "传感器系数", Kind::S32, 147, 5),
    {.name = "diameter", .label = "口径", .control = Control::List, .reg = 149, .mapping = Mapping::DiameterOffset,
     .items = kDiameterItems},
    PerMeter(Integer("meter_address", "通讯地址", 156)),
    PerMeter(List("meter_baud_rate", "波特率", 157, BaudTexts)),
    PerMeter(List("meter_parity", "校验方式", 203, ParityTexts)),
    PerMeter(List("byte_order", "字节顺序", 204, ByteOrderTexts)),
    {.name = "meter_number", .label = "表号", .control = Control::DigitsEdit, .kind = Kind::Digits8, .reg = 225,
     .range = Range{0, 99999999}, .perMeter = true},
    {.name = "meter_clock", .label = "仪表时间", .control = Control::DateTime, .kind = Kind::Clock, .reg = 273,
     .perMeter = true},
    List("totaliser_shown", "流量累积显示", 280, TotalizerNames),
    // Flow.
    kTimeConstant,
    kFlowDirection,
    Switch("flow_correction", "流量修正允许", 158),
    Decimal("correction_point_1", "流量修正点1(m/s)", Kind::U32, 159, 3),
    Decimal("correction_factor_1", "流量修正数1", Kind::U32, 161, 4),
    Decimal("correction_point_2", "流量修正点2(m/s)", Kind::U32, 163, 3),
    Decimal("correction_factor_2", "流量修正数2", Kind::U32, 165, 4),
    Decimal("correction_point_3", "流量修正点3(m/s)", Kind::U32, 167, 3),
    Decimal("correction_factor_3", "流量修正数3", Kind::U32, 169, 4),
    Decimal("correction_point_4", "流量修正点4(m/s)", Kind::U32, 171, 3),
    Decimal("correction_factor_4", "流量修正数4", Kind::U32, 173, 4),
    Decimal("fluid_density", "流体密度(g/cm3)", Kind::U32, 175, 3),
    List("measuring_direction", "测量方向", 177, kMeasuringDirections),
    Switch("spike_suppression", "尖峰抑制允许", 178),
    Integer("spike_time", "尖峰抑制时间(s)", 180),
    Decimal("inertial_threshold", "惯性滤波阈值(m/s)", Kind::U16, 264, 1),
    Integer("inertial_time", "惯性滤波时间(s)", 272),
    Decimal("velocity_limit", "流速上限(m/s)", Kind::U32, 277, 3),
    Decimal("spike_coefficient", "尖峰抑制系数(m/s)", Kind::U16, 279, 3),
    Decimal("startup_flow", "始动流量", Kind::U32, 331, 4),
    // Pulse and frequency output.
    kPulseSignal,
    List("pulse_idle_level", "无输出晶体管状态", 186, kIdleLevels),
    Decimal("frequency_upper_limit", "频率上限", Kind::U32, 187, 1),
    Decimal("pulse_equivalent", "流量脉冲当量(L/P)", Kind::U32, 189, 3),
    List("pulse_width", "脉冲宽度", 191, kPulseWidths),
    List("pulse_type", "脉冲输出类型", 248, kPulseTypes),
    Decimal("energy_pulse_equivalent", "能量脉冲当量(kWh/P)", Kind::U32, 249, 3),
    List("pulse_state", "脉冲状态", 265, kPulseStates),
    // Alarms and relays.
    Switch("relay1_alarm_output", "允许报警1输出", 192),
    Switch("relay1_empty_pipe", "允许报警1空管状态", 193),
    Switch("relay1_upper_limit", "允许报警1上限超限", 194),
    Switch("relay1_lower_limit", "允许报警1下限超限", 195),
    Switch("alarm_enabled", "报警允许", 196),
    Percentage("alarm_upper_limit", "报警上限(%)", 197),
    Percentage("alarm_lower_limit", "报警下限(%)", 198),
    Percentage("alarm_hysteresis", "报警回差(%)", 199),
    Switch("relay2_alarm_output", "允许报警2输出", 281),
    Switch("relay2_empty_pipe", "允许报警2空管状态", 282),
    Switch("relay2_upper_limit", "允许报警2上限超限", 283),
    Switch("relay2_lower_limit", "允许报警2下限超限", 284),
    // Sensor.
    kEmptyPipeDetection,
    Integer("empty_pipe_threshold", "空管检测阈值(%)", 154),
    Integer("empty_pipe_upper_limit", "空管检测上限", 223),
    Integer("empty_pipe_lower_limit", "空管检测下限", 224),
    List("excitation_frequency", "励磁频率", 237, kExcitationFrequencies),
    Decimal("excitation_current", "励磁电流(mA)", Kind::U32, 266, 1),
    List("mains_frequency", "工频", 268, kMainsFrequencies),
    Integer("empty_pipe_hysteresis", "空管检测回差", 285),
    Decimal("converter_factor", "转换器系数", Kind::U32, 321, 5),
    kZeroCorrection,
    PerMeter(Decimal("zero_point", "零点(mV)", Kind::S32, 327, 3)),
    Integer("empty_pipe_count", "空管判定次数", 333),
    // Heat.
    Decimal("power_upper_limit", "功率上限(kW)", Kind::U32, 243, 4),
    List("working_mode", "工作模式", 245, kWorkingModes),
    Integer("temperature_damping", "温度阻尼时间(s)", 246),
    List("medium", "测量介质", 251, kMedia),
    List("pressure_option", "压力选项", 252, kPressureOptions),
    Decimal("specific_heat", "比热容(kJ/kg*℃)", Kind::U32, 253, 2),
    Decimal("density", "密度(kg/m3)", Kind::U32, 255, 2),
    {.name = "small_temperature_difference", .label = "小温差设置(K)", .reg = 257, .scale = 3,
     .range = Range{0, 3}},
    {.name = "supply_compensation", .label = "供温补偿(℃)", .kind = Kind::S16, .reg = 258, .scale = 1,
     .range = Range{-3, 3}},
    {.name = "return_compensation", .label = "回温补偿(℃)", .kind = Kind::S16, .reg = 259, .scale = 1,
     .range = Range{-3, 3}},
    List("density_option", "密度选项", 286, kDensityOptions),
});

// Register 262 serves two commands: 1 clears the working hours, 2 the power-failure records.
inline constexpr auto kCommands = std::to_array<MeterCommand>({
    {.name = "auto_zero", .reg = 151, .value = 1},
    {.name = "clear_flow_totals", .reg = 152, .value = 1},
    {.name = "clear_energy_totals", .reg = 260, .value = 1},
    {.name = "clear_reports", .reg = 261, .value = 1},
    {.name = "clear_working_hours", .reg = 262, .value = 1},
    {.name = "clear_power_failure_records", .reg = 262, .value = 2},
    {.name = "factory_reset", .reg = 263, .value = 1},
});

inline constexpr RegisterMap kMap = {.kindName = "w58", .parameters = kParameters, .commands = kCommands};

}  // namespace kelvo::w58_map
