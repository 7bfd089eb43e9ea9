#pragma once
// The "数据采集" area of the main window: the seven flow fields and the heat group
// (hidden unless the meter measures heat), built at their dialog-unit positions.

#include <array>

#include "monitor/live_display.h"

class QLineEdit;
class QWidget;

namespace kelvo {

class DialogUnits;

class LiveValuesPanel {
public:
    // Creates the controls as children of `parent`; the heat group starts hidden.
    LiveValuesPanel(QWidget* parent, const DialogUnits& du);

    void ShowTexts(const LiveTexts& texts);
    void SetHeatGroupVisible(bool visible);
    QLineEdit* FirstField() const { return fields_[0]; }

    static constexpr int kHeatControlCount = 11;

private:
    std::array<QLineEdit*, kLiveFieldCount> fields_{};
    std::array<QWidget*, kHeatControlCount> heatControls_{};
};

}  // namespace kelvo
