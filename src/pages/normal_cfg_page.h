// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The generic meter's parameter page (dialog 143): sixteen parameters, download all,
// five preset downloads, auto zero and clear totals. Its diameter and sensor factor
// depend on the meter's parameter encoding, which the page identifies on its own link.

#include "pages/parameter_page.h"

namespace kelvo {

const PageDefinition& NormalCfgDefinition();

class CNormalCfgPage : public ParameterPage {
public:
    CNormalCfgPage(PageControls& controls, Prompter& prompter);

protected:
    // "配置1下传" … "配置5下传"
    std::optional<PageTransaction> BeginPreset(int presetNumber) override;
};

}  // namespace kelvo
