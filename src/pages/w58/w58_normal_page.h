// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The W58 common parameters and functions page (dialog 146): ten parameters, the four
// totals and the meter clock, read all and download all in seven blocks, seven meter
// commands, clock synchronisation and five preset downloads. The page's own code is
// the preset download and the synchronisation; everything else is its table.

#include "pages/parameter_page.h"

namespace kelvo {

class CW58NormalPage : public ParameterPage {
public:
    CW58NormalPage(const PageDefinition& definition, PageControls& controls, Prompter& prompter);

protected:
    // "配置1下传" … "配置5下传"
    std::optional<PageTransaction> BeginPreset(int presetNumber) override;
    // "时间同步": the meter's clock from the computer's local time.
    std::optional<PageTransaction> BeginSpecial(int buttonId) override;
};

}  // namespace kelvo
