#pragma once
// The W58 pulse and frequency output page (dialog 147): what the output carries, its
// transistor and pulse state, pulse width and type, frequency limit and equivalents.

#include <array>

#include "pages/page_definition.h"

namespace kelvo::w58_pulse {

inline constexpr std::array<kelvo::Frame, 1> kFrames = {{{"脉冲频率组态"}}};
inline constexpr std::array<std::string_view, 2> kSignals = {"频率", "脉冲"};
inline constexpr std::array<std::string_view, 2> kIdleLevels = {"低电平", "高电平"};
inline constexpr std::array<std::string_view, 2> kPulseStates = {"无源", "有源"};
inline constexpr std::array<std::string_view, 6> kPulseWidths = {"200ms", "100ms", "52ms", "20ms", "10ms", "50%"};
inline constexpr std::array<std::string_view, 2> kPulseTypes = {"流量", "能量"};

inline constexpr std::array<ParamRow, 8> kRows = {{
    {.label = "脉冲输出信号", .control = Control::List, .controlId = 1159, .kind = Kind::U16, .reg = 185,
     .items = kSignals, .readButton = 1172, .writeButton = 1174},
    {.label = "无输出晶体管状态", .control = Control::List, .controlId = 1161, .kind = Kind::U16, .reg = 186,
     .items = kIdleLevels, .readButton = 1176, .writeButton = 1179},
    {.label = "脉冲状态", .control = Control::List, .controlId = 1107, .kind = Kind::U16, .reg = 265,
     .items = kPulseStates, .readButton = 1188, .writeButton = 1190},
    {.label = "脉冲宽度", .control = Control::List, .controlId = 1166, .kind = Kind::U16, .reg = 191,
     .items = kPulseWidths, .readButton = 1192, .writeButton = 1195},
    {.label = "脉冲输出类型", .control = Control::List, .controlId = 1040, .kind = Kind::U16, .reg = 248,
     .items = kPulseTypes, .readButton = 1198, .writeButton = 1200},
    {.label = "频率上限", .control = Control::DecimalEdit, .controlId = 1163, .kind = Kind::U32, .reg = 187, .scale = 1,
     .readButton = 1182, .writeButton = 1185, .zeroText = true},
    {.label = "流量脉冲当量(L/P)", .control = Control::DecimalEdit, .controlId = 1168, .kind = Kind::U32, .reg = 189,
     .scale = 3, .readButton = 1202, .writeButton = 1204, .zeroText = true},
    {.label = "能量脉冲当量(kWh/P)", .control = Control::DecimalEdit, .controlId = 1170, .kind = Kind::U32,
     .reg = 249, .scale = 3, .readButton = 1205, .writeButton = 1206, .zeroText = true},
}};

inline constexpr std::array<BatchBlock, 3> kGroups = {{{185, 14}, {248, 6}, {265, 2}}};

inline constexpr PageDefinition kPage = {
    .className = "CW58PulseCfg", .dialogId = 147, .tabTitle = "脉冲频率组态", .frames = kFrames, .rows = kRows,
    .readAllButton = 1207, .readAllBlocks = kGroups, .downloadAllButton = 1209, .downloadBlocks = kGroups,
    .writeFailText = kW58WriteFailText};

}  // namespace kelvo::w58_pulse
