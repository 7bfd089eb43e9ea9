#pragma once
// The W58 flow configuration page (dialog 145): range, density, damping, start-up
// flow, directions, spike suppression, velocity limit, inertial filter, the totaliser
// shown on the meter and the four-point flow correction.

#include <array>

#include "pages/list_items.h"
#include "pages/page_definition.h"
#include "tables/value_tables.h"

namespace kelvo::w58_flow {

inline constexpr std::array<kelvo::Frame, 1> kFrames = {{{"流量组态"}}};
inline constexpr std::array<std::string_view, 3> kMeasuringDirections = {"正向", "反向", "双向"};

inline constexpr std::array<ParamRow, 22> kRows = {{
    {.label = "流量量程", .control = Control::DecimalEdit, .controlId = 1007, .kind = Kind::U32, .reg = 139, .scale = 4,
     .readButton = 1074, .writeButton = 1075, .zeroText = true},
    {.label = "流体密度(g/cm3)", .control = Control::DecimalEdit, .controlId = 1154, .kind = Kind::U32, .reg = 175,
     .scale = 3, .readButton = 1087, .writeButton = 1089, .zeroText = true},
    {.label = "时间常数", .control = Control::IntEdit, .controlId = 1155, .kind = Kind::U16, .reg = 142,
     .readButton = 1156, .writeButton = 1157},
    {.label = "始动流量", .control = Control::DecimalEdit, .controlId = 1008, .kind = Kind::U32, .reg = 331, .scale = 4,
     .readButton = 1082, .writeButton = 1083, .zeroText = true},
    {.label = "流量方向", .control = Control::List, .controlId = 1035, .kind = Kind::U16, .reg = 150,
     .items = kFlowDirectionItems, .readButton = 1080, .writeButton = 1081},
    {.label = "测量方向", .control = Control::List, .controlId = 1037, .kind = Kind::U16, .reg = 177,
     .items = kMeasuringDirections, .readButton = 1091, .writeButton = 1093},
    {.label = "尖峰抑制允许", .control = Control::List, .controlId = 1099, .kind = Kind::U16, .reg = 178,
     .items = kNoYesItems, .readButton = 1101, .writeButton = 1103},
    {.label = "尖峰抑制系数(m/s)", .control = Control::DecimalEdit, .controlId = 1011, .kind = Kind::U16, .reg = 279,
     .scale = 3, .readButton = 1095, .writeButton = 1097, .zeroText = true},
    {.label = "尖峰抑制时间(s)", .control = Control::IntEdit, .controlId = 1012, .kind = Kind::U16, .reg = 180,
     .readButton = 1105, .writeButton = 1109},
    {.label = "流速上限(m/s)", .control = Control::DecimalEdit, .controlId = 1013, .kind = Kind::U32, .reg = 277,
     .scale = 3, .readButton = 1111, .writeButton = 1113, .zeroText = true},
    {.label = "惯性滤波阈值(m/s)", .control = Control::DecimalEdit, .controlId = 1044, .kind = Kind::U16, .reg = 264,
     .scale = 1, .readButton = 1158, .writeButton = 1160, .zeroText = true},
    {.label = "惯性滤波时间(s)", .control = Control::IntEdit, .controlId = 1046, .kind = Kind::U16, .reg = 272,
     .readButton = 1162, .writeButton = 1165},
    {.label = "流量累积显示", .control = Control::List, .controlId = 1167, .kind = Kind::U16, .reg = 280,
     .items = TotalizerNames, .readButton = 1169, .writeButton = 1171},
    {.label = "流量修正允许", .control = Control::List, .controlId = 1115, .kind = Kind::U16, .reg = 158,
     .items = kNoYesItems, .readButton = 1116, .writeButton = 1118},
    {.label = "流量修正点1(m/s)", .control = Control::DecimalEdit, .controlId = 1015, .kind = Kind::U32, .reg = 159,
     .scale = 3, .readButton = 1120, .writeButton = 1122, .zeroText = true},
    {.label = "流量修正数1", .control = Control::DecimalEdit, .controlId = 1017, .kind = Kind::U32, .reg = 161,
     .scale = 4, .readButton = 1124, .writeButton = 1126, .zeroText = true},
    {.label = "流量修正点2(m/s)", .control = Control::DecimalEdit, .controlId = 1021, .kind = Kind::U32, .reg = 163,
     .scale = 3, .readButton = 1128, .writeButton = 1130, .zeroText = true},
    {.label = "流量修正数2", .control = Control::DecimalEdit, .controlId = 1024, .kind = Kind::U32, .reg = 165,
     .scale = 4, .readButton = 1132, .writeButton = 1134, .zeroText = true},
    {.label = "流量修正点3(m/s)", .control = Control::DecimalEdit, .controlId = 1027, .kind = Kind::U32, .reg = 167,
     .scale = 3, .readButton = 1136, .writeButton = 1138, .zeroText = true},
    {.label = "流量修正数3", .control = Control::DecimalEdit, .controlId = 1030, .kind = Kind::U32, .reg = 169,
     .scale = 4, .readButton = 1140, .writeButton = 1142, .zeroText = true},
    {.label = "流量修正点4(m/s)", .control = Control::DecimalEdit, .controlId = 1034, .kind = Kind::U32, .reg = 171,
     .scale = 3, .readButton = 1144, .writeButton = 1146, .zeroText = true},
    {.label = "流量修正数4", .control = Control::DecimalEdit, .controlId = 1039, .kind = Kind::U32, .reg = 173,
     .scale = 4, .readButton = 1148, .writeButton = 1150, .zeroText = true},
}};

// The meter's layout has gaps: 141, 143..149, 179 (read, never shown), 265..271, 273..276.
inline constexpr std::array<BatchBlock, 4> kReadAllBlocks = {{{139, 24}, {158, 46}, {264, 34}, {331, 4}}};
// Register 179 lies between two groups and is never written.
inline constexpr std::array<BatchBlock, 9> kDownloadBlocks = {{
    {139, 4}, {142, 2}, {150, 2}, {158, 42}, {180, 2}, {264, 2}, {272, 2}, {277, 8}, {331, 4},
}};

// The page's layout puts the correction switch before the filter and totaliser rows.
inline constexpr auto kEnableOrder = std::to_array<int>({
    1007, 1074, 1075, 1154, 1087, 1089, 1155, 1156, 1157, 1008, 1082, 1083, 1035, 1080, 1081, 1037, 1091,
    1093, 1099, 1101, 1103, 1011, 1095, 1097, 1012, 1105, 1109, 1013, 1111, 1113, 1115, 1116, 1118, 1044,
    1158, 1160, 1046, 1162, 1165, 1167, 1169, 1171, 1015, 1120, 1122, 1017, 1124, 1126, 1021, 1128, 1130,
    1024, 1132, 1134, 1027, 1136, 1138, 1030, 1140, 1142, 1034, 1144, 1146, 1039, 1148, 1150, 1042, 1152,
});

inline constexpr PageDefinition kPage = {
    .className = "CW58FlowCfgDlg", .dialogId = 145, .tabTitle = "流量组态", .frames = kFrames, .rows = kRows,
    .readAllButton = 1042, .readAllBlocks = kReadAllBlocks, .downloadAllButton = 1152,
    .downloadBlocks = kDownloadBlocks, .enableOrder = kEnableOrder, .writeFailText = kW58WriteFailText};

}  // namespace kelvo::w58_flow
