// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The W58 heat page (dialog 150): the energy calculation's working mode (a hidden row),
// energy unit, power limit, medium with density and specific heat, the pressure and
// density options, temperature damping, small temperature difference and the two
// temperature compensations.

#include <array>

#include "meter/w58_map.h"
#include "pages/page_definition.h"

namespace kelvo::w58_heat {

inline constexpr std::array<kelvo::Frame, 1> kFrames = {{{"热量组态"}}};

inline constexpr std::array<ParamRow, 12> kRows = {{
    // Never shown, still read, downloaded and live-updated.
    Row(w58_map::kParameters, "working_mode", {.controlId = 1123, .readButton = 1125, .writeButton = 1127, .hidden = true}),
    Row(w58_map::kParameters, "energy_unit", {.controlId = 1117, .readButton = 1119, .writeButton = 1121}),
    Row(w58_map::kParameters, "power_upper_limit", {.controlId = 1283, .readButton = 1284, .writeButton = 1286, .zeroText = true}),
    Row(w58_map::kParameters, "medium", {.controlId = 1288, .readButton = 1298, .writeButton = 1300}),
    Row(w58_map::kParameters, "density", {.controlId = 1294, .readButton = 1302, .writeButton = 1304, .zeroText = true}),
    Row(w58_map::kParameters, "specific_heat", {.controlId = 1296, .readButton = 1306, .writeButton = 1308, .zeroText = true}),
    Row(w58_map::kParameters, "pressure_option", {.controlId = 1290, .readButton = 1310, .writeButton = 1312}),
    Row(w58_map::kParameters, "density_option", {.controlId = 1292, .readButton = 1314, .writeButton = 1315}),
    Row(w58_map::kParameters, "temperature_damping", {.controlId = 1183, .readButton = 1208, .writeButton = 1210}),
    Row(w58_map::kParameters, "small_temperature_difference", {.controlId = 1186, .readButton = 1213, .writeButton = 1216, .zeroText = true}),
    Row(w58_map::kParameters, "supply_compensation", {.controlId = 1193, .readButton = 1219, .writeButton = 1222, .zeroText = true}),
    Row(w58_map::kParameters, "return_compensation", {.controlId = 1196, .readButton = 1225, .writeButton = 1228, .zeroText = true}),
}};

// The energy unit goes alone and first, with its own message; 247..250 are not this page's.
inline constexpr std::array<BatchBlock, 3> kReadAllBlocks = {{
    Block(w58_map::kParameters, "energy_unit", "energy_unit", "单位读取失败，注意仪表是否支持相关参数读取"),
    Block(w58_map::kParameters, "power_upper_limit", "return_compensation"),
    Block(w58_map::kParameters, "density_option"),
}};
inline constexpr std::array<BatchBlock, 4> kDownloadBlocks = {{
    Block(w58_map::kParameters, "energy_unit", "energy_unit", "单位下传失败，注意仪表是否支持相关参数下传"),
    Block(w58_map::kParameters, "power_upper_limit", "temperature_damping"),
    Block(w58_map::kParameters, "medium", "return_compensation"),
    Block(w58_map::kParameters, "density_option"),
}};

inline constexpr PageDefinition kPage = {
    .className = "CW58HeatCfgDlg", .map = w58_map::kMap, .dialogId = 150, .tabTitle = "热量组态", .frames = kFrames, .rows = kRows,
    .readAllButton = 1279, .readAllBlocks = kReadAllBlocks, .downloadAllButton = 1281,
    .downloadBlocks = kDownloadBlocks, .writeFailText = kW58WriteFailText};

}  // namespace kelvo::w58_heat
