// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CCfgCommonDlg (dialog 142): the tab page of one generic meter preset. Its hidden zero
// correction field carries the preset's value through without showing it.

#include "ui/dialogs/preset_tab_page.h"

namespace kelvo {

class CCfgCommonDlg : public CPresetTabPage {
    Q_OBJECT
public:
    // `tab` must be a generic preset tab and outlive the page.
    CCfgCommonDlg(PresetTab& tab, QWidget* parent);
};

}  // namespace kelvo
