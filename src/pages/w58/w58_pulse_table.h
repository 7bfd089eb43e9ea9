// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The W58 pulse and frequency output page (dialog 147): what the output carries, its
// transistor and pulse state, pulse width and type, frequency limit and equivalents.

#include <array>

#include "meter/w58_map.h"
#include "pages/page_definition.h"

namespace kelvo::w58_pulse {

inline constexpr std::array<kelvo::Frame, 1> kFrames = {{{"脉冲频率组态"}}};

inline constexpr std::array<ParamRow, 8> kRows = {{
    Row(w58_map::kParameters, "pulse_signal", {.controlId = 1159, .readButton = 1172, .writeButton = 1174}),
    Row(w58_map::kParameters, "pulse_idle_level", {.controlId = 1161, .readButton = 1176, .writeButton = 1179}),
    Row(w58_map::kParameters, "pulse_state", {.controlId = 1107, .readButton = 1188, .writeButton = 1190}),
    Row(w58_map::kParameters, "pulse_width", {.controlId = 1166, .readButton = 1192, .writeButton = 1195}),
    Row(w58_map::kParameters, "pulse_type", {.controlId = 1040, .readButton = 1198, .writeButton = 1200}),
    Row(w58_map::kParameters, "frequency_upper_limit", {.controlId = 1163, .readButton = 1182, .writeButton = 1185, .zeroText = true}),
    Row(w58_map::kParameters, "pulse_equivalent", {.controlId = 1168, .readButton = 1202, .writeButton = 1204, .zeroText = true}),
    Row(w58_map::kParameters, "energy_pulse_equivalent", {.controlId = 1170, .readButton = 1205, .writeButton = 1206, .zeroText = true}),
}};

inline constexpr std::array<BatchBlock, 3> kGroups = {{
    Block(w58_map::kParameters, "pulse_signal", "pulse_width"),
    Block(w58_map::kParameters, "pulse_type", "energy_pulse_equivalent"),
    Block(w58_map::kParameters, "pulse_state"),
}};

inline constexpr PageDefinition kPage = {
    .className = "CW58PulseCfg", .map = w58_map::kMap, .dialogId = 147, .tabTitle = "脉冲频率组态", .frames = kFrames, .rows = kRows,
    .readAllButton = 1207, .readAllBlocks = kGroups, .downloadAllButton = 1209, .downloadBlocks = kGroups,
    .writeFailText = kW58WriteFailText};

}  // namespace kelvo::w58_pulse
