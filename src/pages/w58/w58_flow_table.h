// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The W58 flow configuration page (dialog 145): range, density, damping, start-up
// flow, directions, spike suppression, velocity limit, inertial filter, the totaliser
// shown on the meter and the four-point flow correction.

#include <array>

#include "meter/w58_map.h"
#include "pages/page_definition.h"
#include "vocabulary/value_tables.h"

namespace kelvo::w58_flow {

inline constexpr std::array<kelvo::Frame, 1> kFrames = {{{"流量组态"}}};

inline constexpr std::array<ParamRow, 22> kRows = {{
    Row(w58_map::kParameters, "flow_range", {.controlId = 1007, .readButton = 1074, .writeButton = 1075, .zeroText = true}),
    Row(w58_map::kParameters, "fluid_density", {.controlId = 1154, .readButton = 1087, .writeButton = 1089, .zeroText = true}),
    Row(w58_map::kParameters, "time_constant", {.controlId = 1155, .readButton = 1156, .writeButton = 1157}),
    Row(w58_map::kParameters, "startup_flow", {.controlId = 1008, .readButton = 1082, .writeButton = 1083, .zeroText = true}),
    Row(w58_map::kParameters, "flow_direction", {.controlId = 1035, .readButton = 1080, .writeButton = 1081}),
    Row(w58_map::kParameters, "measuring_direction", {.controlId = 1037, .readButton = 1091, .writeButton = 1093}),
    Row(w58_map::kParameters, "spike_suppression", {.controlId = 1099, .readButton = 1101, .writeButton = 1103}),
    Row(w58_map::kParameters, "spike_coefficient", {.controlId = 1011, .readButton = 1095, .writeButton = 1097, .zeroText = true}),
    Row(w58_map::kParameters, "spike_time", {.controlId = 1012, .readButton = 1105, .writeButton = 1109}),
    Row(w58_map::kParameters, "velocity_limit", {.controlId = 1013, .readButton = 1111, .writeButton = 1113, .zeroText = true}),
    Row(w58_map::kParameters, "inertial_threshold", {.controlId = 1044, .readButton = 1158, .writeButton = 1160, .zeroText = true}),
    Row(w58_map::kParameters, "inertial_time", {.controlId = 1046, .readButton = 1162, .writeButton = 1165}),
    Row(w58_map::kParameters, "totaliser_shown", {.controlId = 1167, .readButton = 1169, .writeButton = 1171}),
    Row(w58_map::kParameters, "flow_correction", {.controlId = 1115, .readButton = 1116, .writeButton = 1118}),
    Row(w58_map::kParameters, "correction_point_1", {.controlId = 1015, .readButton = 1120, .writeButton = 1122, .zeroText = true}),
    Row(w58_map::kParameters, "correction_factor_1", {.controlId = 1017, .readButton = 1124, .writeButton = 1126, .zeroText = true}),
    Row(w58_map::kParameters, "correction_point_2", {.controlId = 1021, .readButton = 1128, .writeButton = 1130, .zeroText = true}),
    Row(w58_map::kParameters, "correction_factor_2", {.controlId = 1024, .readButton = 1132, .writeButton = 1134, .zeroText = true}),
    Row(w58_map::kParameters, "correction_point_3", {.controlId = 1027, .readButton = 1136, .writeButton = 1138, .zeroText = true}),
    Row(w58_map::kParameters, "correction_factor_3", {.controlId = 1030, .readButton = 1140, .writeButton = 1142, .zeroText = true}),
    Row(w58_map::kParameters, "correction_point_4", {.controlId = 1034, .readButton = 1144, .writeButton = 1146, .zeroText = true}),
    Row(w58_map::kParameters, "correction_factor_4", {.controlId = 1039, .readButton = 1148, .writeButton = 1150, .zeroText = true}),
}};

// The meter's layout has gaps: 141, 143..149, 179 (read, never shown), 265..271, 273..276.
inline constexpr std::array<BatchBlock, 4> kReadAllBlocks = {{
    Block(w58_map::kParameters, "flow_range", "flow_direction"),
    Block(w58_map::kParameters, "flow_correction", "spike_time"),
    Block(w58_map::kParameters, "inertial_threshold", "totaliser_shown"),
    Block(w58_map::kParameters, "startup_flow"),
}};
// Register 179 lies between two groups and is never written.
inline constexpr std::array<BatchBlock, 9> kDownloadBlocks = {{
    Block(w58_map::kParameters, "flow_range"),
    Block(w58_map::kParameters, "time_constant"),
    Block(w58_map::kParameters, "flow_direction"),
    Block(w58_map::kParameters, "flow_correction", "spike_suppression"),
    Block(w58_map::kParameters, "spike_time"),
    Block(w58_map::kParameters, "inertial_threshold"),
    Block(w58_map::kParameters, "inertial_time"),
    Block(w58_map::kParameters, "velocity_limit", "totaliser_shown"),
    Block(w58_map::kParameters, "startup_flow"),
}};

// The page's layout puts the correction switch before the filter and totaliser rows.
inline constexpr auto kEnableOrder = std::to_array<int>({
    1007, 1074, 1075, 1154, 1087, 1089, 1155, 1156, 1157, 1008, 1082, 1083, 1035, 1080, 1081, 1037, 1091,
    1093, 1099, 1101, 1103, 1011, 1095, 1097, 1012, 1105, 1109, 1013, 1111, 1113, 1115, 1116, 1118, 1044,
    1158, 1160, 1046, 1162, 1165, 1167, 1169, 1171, 1015, 1120, 1122, 1017, 1124, 1126, 1021, 1128, 1130,
    1024, 1132, 1134, 1027, 1136, 1138, 1030, 1140, 1142, 1034, 1144, 1146, 1039, 1148, 1150, 1042, 1152,
});

inline constexpr PageDefinition kPage = {
    .className = "CW58FlowCfgDlg", .map = w58_map::kMap, .dialogId = 145, .tabTitle = "流量组态", .frames = kFrames, .rows = kRows,
    .readAllButton = 1042, .readAllBlocks = kReadAllBlocks, .downloadAllButton = 1152,
    .downloadBlocks = kDownloadBlocks, .enableOrder = kEnableOrder, .writeFailText = kW58WriteFailText};

}  // namespace kelvo::w58_flow
