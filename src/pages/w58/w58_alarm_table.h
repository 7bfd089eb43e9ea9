// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The W58 alarm page (dialog 148): the limit alarm in tenths of a percent and the
// switches of its two relays.

#include <array>

#include "meter/w58_map.h"
#include "pages/page_definition.h"

namespace kelvo::w58_alarm {

inline constexpr std::array<kelvo::Frame, 1> kFrames = {{{"报警组态"}}};

// A row of the page; the relays' first rows carry their caption.
consteval ParamRow AlarmRow(std::string_view name, int controlId, int readButton, int writeButton,
                            std::string_view captionBefore = {}) {
    return Row(w58_map::kParameters, name,
               {.controlId = controlId, .readButton = readButton, .writeButton = writeButton,
                .zeroText = ParameterNamed(w58_map::kParameters, name).control == Control::DecimalEdit,
                .captionBefore = captionBefore});
}

inline constexpr std::array<ParamRow, 12> kRows = {{
    AlarmRow("alarm_upper_limit", 1211, 1214, 1217),
    AlarmRow("alarm_lower_limit", 1220, 1223, 1226),
    AlarmRow("alarm_hysteresis", 1229, 1231, 1234),
    AlarmRow("alarm_enabled", 1235, 1236, 1237),
    AlarmRow("relay1_alarm_output", 1240, 1244, 1245, "继电器1"),
    AlarmRow("relay1_empty_pipe", 1241, 1246, 1247),
    AlarmRow("relay1_upper_limit", 1242, 1248, 1249),
    AlarmRow("relay1_lower_limit", 1243, 1250, 1251),
    AlarmRow("relay2_alarm_output", 1252, 1254, 1256, "继电器2"),
    AlarmRow("relay2_empty_pipe", 1258, 1260, 1262),
    AlarmRow("relay2_upper_limit", 1264, 1266, 1268),
    AlarmRow("relay2_lower_limit", 1270, 1272, 1274),
}};
inline constexpr std::array<BatchBlock, 2> kGroups = {{Block(w58_map::kParameters, "relay1_alarm_output", "alarm_hysteresis"),
                                                          Block(w58_map::kParameters, "relay2_alarm_output", "relay2_lower_limit")}};

inline constexpr PageDefinition kPage = {
    .className = "CW58AlmCfgDlg", .map = w58_map::kMap, .dialogId = 148, .tabTitle = "报警组态", .frames = kFrames, .rows = kRows,
    .readAllButton = 1238, .readAllBlocks = kGroups, .downloadAllButton = 1239, .downloadBlocks = kGroups,
    .writeFailText = kW58WriteFailText};

}  // namespace kelvo::w58_alarm
