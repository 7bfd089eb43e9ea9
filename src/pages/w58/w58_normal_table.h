// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The W58 common parameters and functions page (dialog 146): ten parameters, the four
// totals and the meter clock, read all and download all in seven blocks, seven meter
// commands, clock synchronisation and five preset downloads.

#include <array>
#include <memory>

#include "meter/w58_map.h"
#include "pages/page_definition.h"
#include "vocabulary/value_tables.h"

namespace kelvo {

// The page's own logic: preset downloads and the clock synchronisation.
std::unique_ptr<ParameterPage> MakeW58NormalPage(const PageDefinition& definition, PageControls& controls,
                                                 Prompter& prompter);

namespace w58_normal {

enum FrameIndex : int { kParameters, kFunctions };
inline constexpr std::array<kelvo::Frame, 2> kFrames = {{{"常用参数"}, {"常用功能"}}};

inline constexpr std::string_view kClockWriteFailText = "写入失败，注意设置时间是否异常或超限";

inline constexpr std::array<ParamRow, 15> kRows = {{
    Row(w58_map::kParameters, "diameter", {.controlId = 1031, .readButton = 1060, .writeButton = 1072}),
    Row(w58_map::kParameters, "flow_range", {.controlId = 1007, .readButton = 1074, .writeButton = 1075, .zeroText = true}),
    Row(w58_map::kParameters, "totaliser_shown", {.controlId = 1167, .readButton = 1169, .writeButton = 1171}),
    Row(w58_map::kParameters, "energy_unit", {.controlId = 1117, .readButton = 1119, .writeButton = 1121}),
    Row(w58_map::kParameters, "sensor_factor", {.controlId = 1055, .readButton = 1112, .writeButton = 1114, .zeroText = true}),
    Row(w58_map::kParameters, "meter_number", {.controlId = 1278, .readButton = 1280, .writeButton = 1282}),
    Row(w58_map::kParameters, "forward_total", {.controlId = 1069, .readButton = 1131, .writeButton = 1133, .zeroText = true, .readAlone = true, .frame = kFunctions}),
    Row(w58_map::kParameters, "reverse_total", {.controlId = 1064, .readButton = 1135, .writeButton = 1137, .zeroText = true, .readAlone = true, .frame = kFunctions}),
    Row(w58_map::kParameters, "heat_total", {.controlId = 1029, .readButton = 1139, .writeButton = 1141, .zeroText = true, .readAlone = true, .frame = kFunctions}),
    Row(w58_map::kParameters, "cold_total", {.controlId = 1058, .readButton = 1143, .writeButton = 1145, .zeroText = true, .readAlone = true, .frame = kFunctions}),
    Row(w58_map::kParameters, "meter_clock", {.controlId = 1151, .secondControlId = 1153, .readButton = 1147, .writeButton = 1149, .readAlone = true, .writeFailText = kClockWriteFailText, .frame = kFunctions}),
    Row(w58_map::kParameters, "meter_address", {.controlId = 1009, .readButton = 1178, .writeButton = 1181}),
    Row(w58_map::kParameters, "meter_baud_rate", {.controlId = 1184, .readButton = 1187, .writeButton = 1189}),
    Row(w58_map::kParameters, "meter_parity", {.controlId = 1191, .readButton = 1194, .writeButton = 1197}),
    Row(w58_map::kParameters, "byte_order", {.controlId = 1199, .readButton = 1201, .writeButton = 1203}),
}};

inline constexpr std::array<BatchBlock, 7> kReadAllBlocks = {{
    Block(w58_map::kParameters, "energy_unit", "energy_unit", "单位读取失败，注意仪表是否支持相关参数读取"),
    Block(w58_map::kParameters, "totaliser_shown", "totaliser_shown", "流量累积显示读取失败，注意仪表是否支持相关参数读取"),
    Block(w58_map::kParameters, "flow_range", "flow_range", "流量量程读取失败，注意仪表是否支持相关参数读取"),
    Block(w58_map::kParameters, "sensor_factor", "diameter", "传感器系数&口径读取失败，注意仪表是否支持相关参数读取"),
    Block(w58_map::kParameters, "meter_number", "meter_number", "表号读取失败，注意仪表是否支持相关参数读取"),
    Block(w58_map::kParameters, "meter_address", "meter_baud_rate", "通讯地址&波特率读取失败，注意仪表是否支持相关参数读取"),
    Block(w58_map::kParameters, "meter_parity", "byte_order", "校验方式&字节顺序读取失败，注意仪表是否支持相关参数读取"),
}};

// Parity and byte order go before address and baud rate, unlike the read all.
inline constexpr std::array<BatchBlock, 7> kDownloadBlocks = {{
    Block(w58_map::kParameters, "energy_unit", "energy_unit", "单位下传失败，注意仪表是否支持相关参数下传"),
    Block(w58_map::kParameters, "totaliser_shown", "totaliser_shown", "流量累积显示下传失败，注意仪表是否支持相关参数下传"),
    Block(w58_map::kParameters, "flow_range", "flow_range", "流量量程下传失败，注意参数设置是否超限"),
    Block(w58_map::kParameters, "sensor_factor", "diameter", "传感器系数&口径下传失败，注意参数设置是否超限"),
    Block(w58_map::kParameters, "meter_number", "meter_number", "表号下传失败，注意参数设置是否超限"),
    Block(w58_map::kParameters, "meter_parity", "byte_order", "校验方式&字节顺序下传失败，注意参数设置是否超限"),
    Block(w58_map::kParameters, "meter_address", "meter_baud_rate", "通讯地址&波特率下传失败，注意参数设置是否超限"),
}};

// Register 262 serves two buttons: 1 clears the working hours, 2 the power-failure records.
inline constexpr std::array<CommandButton, 7> kCommands = {{
    Command(w58_map::kCommands, "clear_flow_totals",
            {1043, "流量总量清零", "请确认是否清除流量总量？", "流量总量清零成功", "流量总量清零失败", kFunctions}),
    Command(w58_map::kCommands, "clear_energy_totals",
            {1048, "能量总量清零", "请确认是否清零能量总量？", "能量总量清零成功", "能量总量清零失败", kFunctions}),
    Command(w58_map::kCommands, "auto_zero", {1045, "自动调零", "请确认阀门是否关闭？", "下传成功", "下传失败", kFunctions}),
    Command(w58_map::kCommands, "clear_reports",
            {1050, "清除报表", "请确认是否清除报表？", "清除报表成功", "清除报表失败", kFunctions}),
    Command(w58_map::kCommands, "clear_working_hours",
            {1052, "清除工时", "请确认是否清除工时？", "清除工时成功", "清除工时失败", kFunctions}),
    Command(w58_map::kCommands, "clear_power_failure_records",
            {1053, "清除掉电记录", "请确认是否清除掉电记录？", "清除掉电记录成功", "清除掉电记录失败", kFunctions}),
    Command(w58_map::kCommands, "factory_reset",
            {1054, "恢复出厂设置", "请确认是否恢复出厂设置？", "恢复出厂设置成功", "恢复出厂设置失败", kFunctions}),
}};

inline constexpr int kSynchroniseButton = 1066;
inline constexpr std::array<SpecialButton, 5> kPresetButtons = {{
    {1026, "配置1下传"}, {1057, "配置2下传"}, {1059, "配置3下传"}, {1061, "配置4下传"}, {1062, "配置5下传"},
}};
inline constexpr std::array<SpecialButton, 1> kSpecialButtons = {{{kSynchroniseButton, "时间同步", kFunctions}}};

// The page's layout: the parameters with the batch and preset buttons, then the totals,
// two commands, the clock, its synchronisation and the other commands.
inline constexpr auto kEnableOrder = std::to_array<int>({
    1031, 1060, 1072, 1007, 1074, 1075, 1167, 1169, 1171, 1117, 1119, 1121, 1055, 1112, 1114, 1278,
    1280, 1282, 1009, 1178, 1181, 1184, 1187, 1189, 1191, 1194, 1197, 1199, 1201, 1203, 1018, 1129,
    1026, 1057, 1059, 1061, 1062, 1069, 1131, 1133, 1064, 1135, 1137, 1029, 1139, 1141, 1058, 1143,
    1145, 1043, 1048, 1151, 1153, 1147, 1149, 1066, 1045, 1050, 1052, 1053, 1054,
});

inline constexpr PageDefinition kPage = {
    .className = "CW58NormalDlg", .map = w58_map::kMap, .dialogId = 146, .tabTitle = "常用参数和功能", .frames = kFrames, .rows = kRows,
    .readAllButton = 1018, .readAllBlocks = kReadAllBlocks, .readAllDecodesEachBlock = true,
    .downloadAllButton = 1129, .downloadBlocks = kDownloadBlocks, .commands = kCommands,
    .presetButtons = kPresetButtons, .specialButtons = kSpecialButtons, .enableOrder = kEnableOrder,
    .makePage = &MakeW58NormalPage, .writeFailText = kW58WriteFailText};
static_assert(kEnableOrder.size() == 61);

}  // namespace w58_normal
}  // namespace kelvo
