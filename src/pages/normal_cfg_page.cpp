// SPDX-License-Identifier: GPL-3.0-or-later
#include "pages/normal_cfg_page.h"

#include <array>
#include <string>
#include <string_view>

#include "messages/prompter.h"
#include "pages/normal_cfg_table.h"
#include "pages/preset_confirmation.h"
#include "pages/preset_fields.h"
#include "settings/settings.h"

namespace kelvo {

using namespace normal_cfg;

std::unique_ptr<ParameterPage> MakeNormalCfgPage(const PageDefinition&, PageControls& controls, Prompter& prompter) {
    return std::make_unique<CNormalCfgPage>(controls, prompter);
}

CNormalCfgPage::CNormalCfgPage(PageControls& controls, Prompter& prompter)
    : ParameterPage(kPage, controls, prompter) {}

std::optional<PageTransaction> CNormalCfgPage::BeginPreset(int presetNumber) {
    const auto index = static_cast<std::size_t>(presetNumber - 1);
    return Transaction("配置" + std::to_string(presetNumber) + "下传", [index, values = Values()](PageSession& session) {
        // The diameter and the sensor factor depend on the meter's encoding.
        if (!session.Open() || !session.Identify()) return;
        const GenericPreset preset = LoadPresets().generic.at(index);
        DownloadStoredPreset(session, values, preset, kGenericPresetFields, GenericPresetConfirmation(preset));
    });
}

}  // namespace kelvo
