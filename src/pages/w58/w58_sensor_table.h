#pragma once
// The W58 sensor page (dialog 149): meter number, diameter, the sensor and converter
// factors, zero point and correction, excitation, mains frequency and the empty-pipe
// detection.

#include <array>

#include "pages/list_items.h"
#include "pages/page_definition.h"

namespace kelvo::w58_sensor {

inline constexpr std::array<kelvo::Frame, 1> kFrames = {{{"传感器组态"}}};
inline constexpr std::array<std::string_view, 4> kExcitationFrequencies = {"3.125Hz", "6.25Hz", "12.5Hz", "25Hz"};
inline constexpr std::array<std::string_view, 2> kMainsFrequencies = {"50Hz", "60Hz"};

// The sensor factor, zero point and zero correction are signed pairs; the converter
// factor and the excitation current unsigned ones.
inline constexpr std::array<ParamRow, 15> kRows = {{
    {.label = "表号", .control = Control::DigitsEdit, .controlId = 1278, .kind = Kind::Digits8, .reg = 225,
     .readButton = 1280, .writeButton = 1282, .range = Range{0, 99999999}},
    {.label = "口径", .control = Control::List, .controlId = 1313, .kind = Kind::U16, .reg = 149,
     .mapping = Mapping::DiameterOffset, .items = kW58DiameterItems, .readButton = 1285, .writeButton = 1287},
    {.label = "传感器系数", .control = Control::DecimalEdit, .controlId = 1289, .kind = Kind::S32, .reg = 147, .scale = 5,
     .readButton = 1291, .writeButton = 1293, .zeroText = true},
    {.label = "转换器系数", .control = Control::DecimalEdit, .controlId = 1175, .kind = Kind::U32, .reg = 321, .scale = 5,
     .readButton = 1218, .writeButton = 1221, .zeroText = true},
    {.label = "零点(mV)", .control = Control::DecimalEdit, .controlId = 1295, .kind = Kind::S32, .reg = 327, .scale = 3,
     .readButton = 1297, .writeButton = 1299, .zeroText = true},
    {.label = "零点修正(m/s)", .control = Control::DecimalEdit, .controlId = 1177, .kind = Kind::S32, .reg = 323,
     .scale = 4, .readButton = 1224, .writeButton = 1227, .zeroText = true},
    {.label = "励磁频率", .control = Control::List, .controlId = 1301, .kind = Kind::U16, .reg = 237,
     .items = kExcitationFrequencies, .readButton = 1303, .writeButton = 1305},
    {.label = "励磁电流(mA)", .control = Control::DecimalEdit, .controlId = 1180, .kind = Kind::U32, .reg = 266,
     .scale = 1, .readButton = 1230, .writeButton = 1232, .zeroText = true},
    {.label = "工频", .control = Control::List, .controlId = 1307, .kind = Kind::U16, .reg = 268,
     .items = kMainsFrequencies, .readButton = 1309, .writeButton = 1311},
    {.label = "空管检测允许", .control = Control::List, .controlId = 1253, .kind = Kind::U16, .reg = 153,
     .items = kNoYesItems, .readButton = 1255, .writeButton = 1257},
    {.label = "空管检测阈值(%)", .control = Control::IntEdit, .controlId = 1259, .kind = Kind::U16, .reg = 154,
     .readButton = 1261, .writeButton = 1263},
    {.label = "空管检测上限", .control = Control::IntEdit, .controlId = 1265, .kind = Kind::U16, .reg = 223,
     .readButton = 1267, .writeButton = 1269},
    {.label = "空管检测下限", .control = Control::IntEdit, .controlId = 1271, .kind = Kind::U16, .reg = 224,
     .readButton = 1273, .writeButton = 1275},
    {.label = "空管检测回差", .control = Control::IntEdit, .controlId = 1173, .kind = Kind::U16, .reg = 285,
     .readButton = 1212, .writeButton = 1215},
    {.label = "空管判定次数", .control = Control::IntEdit, .controlId = 1174, .kind = Kind::U16, .reg = 333,
     .readButton = 1213, .writeButton = 1216},
}};

// Unused registers the read groups pass over: 150..152, 229..236, 325, 326, 329..332.
inline constexpr std::array<BatchBlock, 5> kReadAllBlocks = {{{147, 16}, {223, 30}, {266, 6}, {285, 2}, {321, 26}}};
inline constexpr std::array<BatchBlock, 9> kDownloadBlocks = {{
    {147, 6}, {153, 4}, {223, 12}, {237, 2}, {266, 6}, {285, 2}, {321, 8}, {327, 4}, {333, 2},
}};

inline constexpr PageDefinition kPage = {
    .className = "CW58SnsrCfgDlg", .dialogId = 149, .tabTitle = "传感器组态", .frames = kFrames, .rows = kRows,
    .readAllButton = 1276, .readAllBlocks = kReadAllBlocks, .downloadAllButton = 1277,
    .downloadBlocks = kDownloadBlocks, .writeFailText = kW58WriteFailText};

}  // namespace kelvo::w58_sensor
