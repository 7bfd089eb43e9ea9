// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/cfg_common_dlg.h"

#include <array>

namespace kelvo {

namespace {

constexpr int kLabelX = 24, kLabelWidth = 52;
constexpr int kControlX = 80, kControlWidth = 100;
constexpr int kFirstRowY = 10, kRowStep = 18;

constexpr PresetFieldPlace Row(int row) {
    return {.labelX = kLabelX, .labelWidth = kLabelWidth, .controlX = kControlX, .controlWidth = kControlWidth,
            .y = kFirstRowY + kRowStep * row};
}

// One column in field order: diameter, range, flow unit, totals unit, sensor factor, and
// the hidden zero correction below them.
constexpr std::array<PresetFieldPlace, 6> kPlaces = {Row(0), Row(1), Row(2), Row(3), Row(4), Row(5)};

}  // namespace

CCfgCommonDlg::CCfgCommonDlg(PresetTab& tab, QWidget* parent) : CPresetTabPage(tab, kPlaces, parent) {
    setObjectName(QStringLiteral("142"));
}

}  // namespace kelvo
