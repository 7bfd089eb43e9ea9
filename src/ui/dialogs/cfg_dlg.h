// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CCfgDlg (dialog 141, "常用配置设置"): edits the five presets of the meter kind stored
// at opening, one tab each. It never talks to a meter; OK saves all ten presets, Cancel
// writes nothing.

#include <QDialog>

#include <array>

#include "pages/preset_form.h"

class QTabWidget;

namespace kelvo {

class CPresetTabPage;
class Prompter;

class CCfgDlg : public QDialog {
    Q_OBJECT
public:
    // Loads the meter kind and the presets and shows the first tab.
    explicit CCfgDlg(Prompter& prompter, QWidget* parent = nullptr);

    // Reads every tab back (each failed field check shows its message), saves the
    // presets, reports a save that failed, and closes in any case.
    void accept() override;

private:
    void BuildControls();

    Prompter& prompter_;
    PresetEditor editor_;
    QTabWidget* tabs_ = nullptr;
    std::array<CPresetTabPage*, kPresetCount> pages_{};
};

}  // namespace kelvo
