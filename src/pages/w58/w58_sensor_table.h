// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The W58 sensor page (dialog 149): meter number, diameter, the sensor and converter
// factors, zero point and correction, excitation, mains frequency and the empty-pipe
// detection.

#include <array>

#include "meter/w58_map.h"
#include "pages/page_definition.h"

namespace kelvo::w58_sensor {

inline constexpr std::array<kelvo::Frame, 1> kFrames = {{{"传感器组态"}}};

inline constexpr std::array<ParamRow, 15> kRows = {{
    Row(w58_map::kParameters, "meter_number", {.controlId = 1278, .readButton = 1280, .writeButton = 1282}),
    Row(w58_map::kParameters, "diameter", {.controlId = 1313, .readButton = 1285, .writeButton = 1287}),
    Row(w58_map::kParameters, "sensor_factor", {.controlId = 1289, .readButton = 1291, .writeButton = 1293, .zeroText = true}),
    Row(w58_map::kParameters, "converter_factor", {.controlId = 1175, .readButton = 1218, .writeButton = 1221, .zeroText = true}),
    Row(w58_map::kParameters, "zero_point", {.controlId = 1295, .readButton = 1297, .writeButton = 1299, .zeroText = true}),
    Row(w58_map::kParameters, "zero_correction", {.controlId = 1177, .readButton = 1224, .writeButton = 1227, .zeroText = true}),
    Row(w58_map::kParameters, "excitation_frequency", {.controlId = 1301, .readButton = 1303, .writeButton = 1305}),
    Row(w58_map::kParameters, "excitation_current", {.controlId = 1180, .readButton = 1230, .writeButton = 1232, .zeroText = true}),
    Row(w58_map::kParameters, "mains_frequency", {.controlId = 1307, .readButton = 1309, .writeButton = 1311}),
    Row(w58_map::kParameters, "empty_pipe_detection", {.controlId = 1253, .readButton = 1255, .writeButton = 1257}),
    Row(w58_map::kParameters, "empty_pipe_threshold", {.controlId = 1259, .readButton = 1261, .writeButton = 1263}),
    Row(w58_map::kParameters, "empty_pipe_upper_limit", {.controlId = 1265, .readButton = 1267, .writeButton = 1269}),
    Row(w58_map::kParameters, "empty_pipe_lower_limit", {.controlId = 1271, .readButton = 1273, .writeButton = 1275}),
    Row(w58_map::kParameters, "empty_pipe_hysteresis", {.controlId = 1173, .readButton = 1212, .writeButton = 1215}),
    Row(w58_map::kParameters, "empty_pipe_count", {.controlId = 1174, .readButton = 1213, .writeButton = 1216}),
}};

// Unused registers the read groups pass over: 150..152, 229..236, 325, 326, 329..332.
inline constexpr std::array<BatchBlock, 5> kReadAllBlocks = {{
    Block(w58_map::kParameters, "sensor_factor", "empty_pipe_threshold"),
    Block(w58_map::kParameters, "empty_pipe_upper_limit", "excitation_frequency"),
    Block(w58_map::kParameters, "excitation_current", "mains_frequency"),
    Block(w58_map::kParameters, "empty_pipe_hysteresis"),
    Block(w58_map::kParameters, "converter_factor", "empty_pipe_count"),
}};
inline constexpr std::array<BatchBlock, 9> kDownloadBlocks = {{
    Block(w58_map::kParameters, "sensor_factor", "diameter"),
    Block(w58_map::kParameters, "empty_pipe_detection", "empty_pipe_threshold"),
    Block(w58_map::kParameters, "empty_pipe_upper_limit", "meter_number"),
    Block(w58_map::kParameters, "excitation_frequency"),
    Block(w58_map::kParameters, "excitation_current", "mains_frequency"),
    Block(w58_map::kParameters, "empty_pipe_hysteresis"),
    Block(w58_map::kParameters, "converter_factor", "zero_correction"),
    Block(w58_map::kParameters, "zero_point"),
    Block(w58_map::kParameters, "empty_pipe_count"),
}};

inline constexpr PageDefinition kPage = {
    .className = "CW58SnsrCfgDlg", .map = w58_map::kMap, .dialogId = 149, .tabTitle = "传感器组态", .frames = kFrames, .rows = kRows,
    .readAllButton = 1276, .readAllBlocks = kReadAllBlocks, .downloadAllButton = 1277,
    .downloadBlocks = kDownloadBlocks, .writeFailText = kW58WriteFailText};

}  // namespace kelvo::w58_sensor
