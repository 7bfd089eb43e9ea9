#pragma once
// The W58 alarm page (dialog 148): the limit alarm in tenths of a percent and the
// switches of its two relays.

#include <array>

#include "pages/list_items.h"
#include "pages/page_definition.h"

namespace kelvo::w58_alarm {

inline constexpr std::array<kelvo::Frame, 1> kFrames = {{{"报警组态"}}};

// One switch of a relay: a N/Y list on one register.
constexpr ParamRow Switch(std::string_view label, int controlId, std::uint16_t reg, int readButton, int writeButton,
                          std::string_view captionBefore = {}) {
    return {.label = label, .control = Control::List, .controlId = controlId, .kind = Kind::U16, .reg = reg,
            .items = kNoYesItems, .readButton = readButton, .writeButton = writeButton, .captionBefore = captionBefore};
}

// A percentage in tenths of a percent, one unsigned word.
constexpr ParamRow Percentage(std::string_view label, int controlId, std::uint16_t reg, int readButton,
                              int writeButton) {
    return {.label = label, .control = Control::DecimalEdit, .controlId = controlId, .kind = Kind::U16, .reg = reg,
            .scale = 1, .readButton = readButton, .writeButton = writeButton, .zeroText = true};
}

inline constexpr std::array<ParamRow, 12> kRows = {{
    Percentage("报警上限(%)", 1211, 197, 1214, 1217),
    Percentage("报警下限(%)", 1220, 198, 1223, 1226),
    Percentage("报警回差(%)", 1229, 199, 1231, 1234),
    Switch("报警允许", 1235, 196, 1236, 1237),
    Switch("允许报警1输出", 1240, 192, 1244, 1245, "继电器1"),
    Switch("允许报警1空管状态", 1241, 193, 1246, 1247),
    Switch("允许报警1上限超限", 1242, 194, 1248, 1249),
    Switch("允许报警1下限超限", 1243, 195, 1250, 1251),
    Switch("允许报警2输出", 1252, 281, 1254, 1256, "继电器2"),
    Switch("允许报警2空管状态", 1258, 282, 1260, 1262),
    Switch("允许报警2上限超限", 1264, 283, 1266, 1268),
    Switch("允许报警2下限超限", 1270, 284, 1272, 1274),
}};

inline constexpr std::array<BatchBlock, 2> kGroups = {{{192, 16}, {281, 8}}};

inline constexpr PageDefinition kPage = {
    .className = "CW58AlmCfgDlg", .dialogId = 148, .tabTitle = "报警组态", .frames = kFrames, .rows = kRows,
    .readAllButton = 1238, .readAllBlocks = kGroups, .downloadAllButton = 1239, .downloadBlocks = kGroups,
    .writeFailText = kW58WriteFailText};

}  // namespace kelvo::w58_alarm
