#pragma once
// The W58 heat page (dialog 150): the energy calculation's working mode (a hidden row),
// energy unit, power limit, medium with density and specific heat, the pressure and
// density options, temperature damping, small temperature difference and the two
// temperature compensations.

#include <array>

#include "pages/page_definition.h"

namespace kelvo::w58_heat {

inline constexpr std::array<kelvo::Frame, 1> kFrames = {{{"热量组态"}}};
inline constexpr std::array<std::string_view, 3> kWorkingModes = {"自动", "热量", "冷量"};
inline constexpr std::array<std::string_view, 2> kMedia = {"水", "其他"};
inline constexpr std::array<std::string_view, 2> kPressureOptions = {"0.6Mpa", "1.6Mpa"};
inline constexpr std::array<std::string_view, 2> kDensityOptions = {"供温", "回温"};

inline constexpr std::array<ParamRow, 12> kRows = {{
    // Never shown, still read, downloaded and live-updated.
    {.label = "工作模式", .control = Control::List, .controlId = 1123, .kind = Kind::U16, .reg = 245,
     .items = kWorkingModes, .readButton = 1125, .writeButton = 1127, .hidden = true},
    {.label = "能量累积单位", .control = Control::List, .controlId = 1117, .kind = Kind::U16, .reg = 134,
     .mapping = Mapping::EnergyUnit, .listSource = ListSource::ShortEnergyUnits, .readButton = 1119,
     .writeButton = 1121},
    {.label = "功率上限(kW)", .control = Control::DecimalEdit, .controlId = 1283, .kind = Kind::U32, .reg = 243,
     .scale = 4, .readButton = 1284, .writeButton = 1286, .zeroText = true},
    {.label = "测量介质", .control = Control::List, .controlId = 1288, .kind = Kind::U16, .reg = 251, .items = kMedia,
     .readButton = 1298, .writeButton = 1300},
    {.label = "密度(kg/m3)", .control = Control::DecimalEdit, .controlId = 1294, .kind = Kind::U32, .reg = 255,
     .scale = 2, .readButton = 1302, .writeButton = 1304, .zeroText = true},
    {.label = "比热容(kJ/kg*℃)", .control = Control::DecimalEdit, .controlId = 1296, .kind = Kind::U32, .reg = 253,
     .scale = 2, .readButton = 1306, .writeButton = 1308, .zeroText = true},
    {.label = "压力选项", .control = Control::List, .controlId = 1290, .kind = Kind::U16, .reg = 252,
     .items = kPressureOptions, .readButton = 1310, .writeButton = 1312},
    {.label = "密度选项", .control = Control::List, .controlId = 1292, .kind = Kind::U16, .reg = 286,
     .items = kDensityOptions, .readButton = 1314, .writeButton = 1315},
    {.label = "温度阻尼时间(s)", .control = Control::IntEdit, .controlId = 1183, .kind = Kind::U16, .reg = 246,
     .readButton = 1208, .writeButton = 1210},
    {.label = "小温差设置(K)", .control = Control::DecimalEdit, .controlId = 1186, .kind = Kind::U16, .reg = 257,
     .scale = 3, .readButton = 1213, .writeButton = 1216, .range = Range{0, 3}, .zeroText = true},
    {.label = "供温补偿(℃)", .control = Control::DecimalEdit, .controlId = 1193, .kind = Kind::S16, .reg = 258,
     .scale = 1, .readButton = 1219, .writeButton = 1222, .range = Range{-3, 3}, .zeroText = true},
    {.label = "回温补偿(℃)", .control = Control::DecimalEdit, .controlId = 1196, .kind = Kind::S16, .reg = 259,
     .scale = 1, .readButton = 1225, .writeButton = 1228, .range = Range{-3, 3}, .zeroText = true},
}};

// The energy unit goes alone and first, with its own message; 247..250 are not this page's.
inline constexpr std::array<BatchBlock, 3> kReadAllBlocks = {{
    {134, 2, "单位读取失败，注意仪表是否支持相关参数读取"},
    {243, 34},
    {286, 2},
}};
inline constexpr std::array<BatchBlock, 4> kDownloadBlocks = {{
    {134, 2, "单位下传失败，注意仪表是否支持相关参数下传"},
    {243, 8},
    {251, 18},
    {286, 2},
}};

inline constexpr PageDefinition kPage = {
    .className = "CW58HeatCfgDlg", .dialogId = 150, .tabTitle = "热量组态", .frames = kFrames, .rows = kRows,
    .readAllButton = 1279, .readAllBlocks = kReadAllBlocks, .downloadAllButton = 1281,
    .downloadBlocks = kDownloadBlocks, .writeFailText = kW58WriteFailText};

}  // namespace kelvo::w58_heat
