// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/cfg_w58_common_dlg.h"

#include <array>

namespace kelvo {

namespace {

constexpr int kLabelWidth = 52, kControlWidth = 56;
constexpr int kLeftLabelX = 8, kLeftControlX = 62;
constexpr int kRightLabelX = 124, kRightControlX = 176;
constexpr int kFirstRowY = 10, kRowStep = 18;

constexpr PresetFieldPlace Left(int row) {
    return {.labelX = kLeftLabelX, .labelWidth = kLabelWidth, .controlX = kLeftControlX,
            .controlWidth = kControlWidth, .y = kFirstRowY + kRowStep * row};
}

constexpr PresetFieldPlace Right(int row) {
    return {.labelX = kRightLabelX, .labelWidth = kLabelWidth, .controlX = kRightControlX,
            .controlWidth = kControlWidth, .y = kFirstRowY + kRowStep * row};
}

// Meter settings on the left (diameter, range, totaliser shown, energy unit, sensor
// factor), identity and communication on the right (meter number, address, baud rate,
// parity, byte order), in field order.
constexpr std::array<PresetFieldPlace, 10> kPlaces = {Left(0),  Left(1),  Left(2),  Left(3),  Left(4),
                                                      Right(0), Right(1), Right(2), Right(3), Right(4)};

}  // namespace

CCfgW58CommonDlg::CCfgW58CommonDlg(PresetTab& tab, QWidget* parent) : CPresetTabPage(tab, kPlaces, parent) {
    setObjectName(QStringLiteral("144"));
}

}  // namespace kelvo
