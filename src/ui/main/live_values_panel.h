// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "数据采集" area of the main window: the seven flow fields and the heat group
// (hidden unless the meter measures heat), built at their dialog-unit positions.

#include <array>

#include "live/live_display.h"
#include "live/live_status.h"

class QLabel;
class QLineEdit;
class QWidget;

namespace kelvo {

class DialogUnits;

class LiveValuesPanel {
public:
    // Creates the controls as children of `parent`; the heat group starts hidden.
    LiveValuesPanel(QWidget* parent, const DialogUnits& du);

    void ShowTexts(const LiveTexts& texts);
    // Stale values keep their texts but are greyed, with the dynamic property "stale"
    // set, and the status line (object name "liveStatus") says why; both go at once
    // when the values are live again.
    void ShowStatus(const LiveStatus& status);
    void SetHeatGroupVisible(bool visible);
    QLineEdit* FirstField() const { return fields_[0]; }

    static constexpr int kHeatControlCount = 11;

private:
    std::array<QLineEdit*, kLiveFieldCount> fields_{};
    QLabel* status_ = nullptr;
    std::array<QWidget*, kHeatControlCount> heatControls_{};
};

}  // namespace kelvo
