// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CCfgW58CommonDlg (dialog 144): the tab page of one W58 meter preset.

#include "ui/dialogs/preset_tab_page.h"

namespace kelvo {

class CCfgW58CommonDlg : public CPresetTabPage {
    Q_OBJECT
public:
    // `tab` must be a W58 preset tab and outlive the page.
    CCfgW58CommonDlg(PresetTab& tab, QWidget* parent);
};

}  // namespace kelvo
