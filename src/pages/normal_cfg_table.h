// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The generic meter's parameter page (dialog 143): sixteen parameters, download all,
// five preset downloads, auto zero and clear totals.

#include <array>
#include <memory>

#include "meter/generic_map.h"
#include "pages/page_definition.h"

namespace kelvo {

// The page's own logic: the preset downloads.
std::unique_ptr<ParameterPage> MakeNormalCfgPage(const PageDefinition& definition, PageControls& controls,
                                                 Prompter& prompter);

namespace normal_cfg {


enum FrameIndex : int { kCommon, kAdvanced };
inline constexpr std::array<kelvo::Frame, 2> kFrames = {{{"常用参数"}, {"高级参数"}}};

inline constexpr std::array<ParamRow, 17> kRows = {{
    Row(generic_map::kParameters, "diameter", {.controlId = 1031, .readButton = 1060, .writeButton = 1072}),
    Row(generic_map::kParameters, "flow_range", {.controlId = 1007, .readButton = 1074, .writeButton = 1075, .zeroText = true}),
    Row(generic_map::kParameters, "flow_unit", {.controlId = 1047, .readButton = 1076, .writeButton = 1077}),
    Row(generic_map::kParameters, "totals_unit", {.controlId = 1049, .readButton = 1078, .writeButton = 1079}),
    Row(generic_map::kParameters, "sensor_factor", {.controlId = 1055, .readButton = 1112, .writeButton = 1114, .zeroText = true}),
    Row(generic_map::kParameters, "zero_correction", {.controlId = 1056, .readButton = 1108, .writeButton = 1110, .zeroText = true, .hidden = true}),
    Row(generic_map::kParameters, "flow_direction", {.controlId = 1035, .readButton = 1080, .writeButton = 1081, .frame = kAdvanced}),
    Row(generic_map::kParameters, "low_flow_cutoff", {.controlId = 1008, .readButton = 1082, .writeButton = 1083, .frame = kAdvanced}),
    Row(generic_map::kParameters, "time_constant", {.controlId = 1010, .readButton = 1084, .writeButton = 1085, .frame = kAdvanced}),
    Row(generic_map::kParameters, "empty_pipe_detection", {.controlId = 1036, .readButton = 1086, .writeButton = 1088, .frame = kAdvanced}),
    Row(generic_map::kParameters, "empty_pipe_threshold", {.controlId = 1053, .readButton = 1090, .writeButton = 1092, .frame = kAdvanced}),
    Row(generic_map::kParameters, "reverse_output", {.controlId = 1038, .readButton = 1094, .writeButton = 1096, .frame = kAdvanced}),
    Row(generic_map::kParameters, "meter_address", {.controlId = 1051, .readButton = 1098, .writeButton = 1100, .frame = kAdvanced}),
    Row(generic_map::kParameters, "meter_baud_rate", {.controlId = 1041, .readButton = 1102, .writeButton = 1104, .frame = kAdvanced}),
    Row(generic_map::kParameters, "pulse_signal", {.controlId = 1159, .readButton = 1172, .writeButton = 1174, .frame = kAdvanced}),
    Row(generic_map::kParameters, "pulse_equivalent", {.controlId = 1168, .readButton = 1202, .writeButton = 1204, .frame = kAdvanced}),
    Row(generic_map::kParameters, "frequency_upper_limit", {.controlId = 1163, .alwaysDisabled = true, .frame = kAdvanced}),
}};

inline constexpr std::array<BatchBlock, 3> kDownloadBlocks = {{
    Block(generic_map::kParameters, "flow_unit", "totals_unit", "单位下传失败，注意仪表是否支持相关参数下传"),
    Block(generic_map::kParameters, "flow_range", "flow_range", "流量量程下传失败，注意参数设置是否超限"),
    Block(generic_map::kParameters, "sensor_factor", "diameter", "传感器系数&口径下传失败，注意参数设置是否超限"),
}};

inline constexpr std::array<CommandButton, 2> kCommands = {{
    Command(generic_map::kCommands, "auto_zero", {1045, "自动调零", "请确认阀门是否关闭？", "下传成功", "下传失败"}),
    Command(generic_map::kCommands, "clear_totals", {1043, "总量清零", "是否确认清零？", "成功清零", "清零失败"}),
}};

inline constexpr std::array<SpecialButton, 5> kPresetButtons = {{
    {1026, "配置1下传"}, {1057, "配置2下传"}, {1059, "配置3下传"}, {1061, "配置4下传"}, {1062, "配置5下传"},
}};

inline constexpr PageDefinition kPage = {
    .className = "CNormalCfgDlg", .map = generic_map::kMap, .dialogId = 143, .tabTitle = "组态", .frames = kFrames, .rows = kRows,
    .downloadAllButton = 1014, .downloadBlocks = kDownloadBlocks, .identifyBeforeDownload = true,
    .commands = kCommands, .presetButtons = kPresetButtons, .makePage = &MakeNormalCfgPage,
    .writeFailText = "写入失败，注意仪表是否支持该参数下传设置"};

}  // namespace normal_cfg
}  // namespace kelvo
