// SPDX-License-Identifier: GPL-3.0-or-later
#include "pages/w58/w58_normal_page.h"

#include <array>
#include <ctime>
#include <string>

#include "messages/prompter.h"
#include "pages/preset_confirmation.h"
#include "pages/preset_fields.h"
#include "pages/w58/w58_normal_table.h"
#include "settings/settings.h"

namespace kelvo {

using namespace w58_normal;

std::unique_ptr<ParameterPage> MakeW58NormalPage(const PageDefinition& definition, PageControls& controls,
                                                 Prompter& prompter) {
    return std::make_unique<CW58NormalPage>(definition, controls, prompter);
}

CW58NormalPage::CW58NormalPage(const PageDefinition& definition, PageControls& controls, Prompter& prompter)
    : ParameterPage(definition, controls, prompter) {}

std::optional<PageTransaction> CW58NormalPage::BeginSpecial(int buttonId) {
    if (buttonId != kSynchroniseButton) return std::nullopt;
    if (!Messages().Confirm("请确认是否要同步时间？")) return std::nullopt;
    return Transaction("时间同步", [](PageSession& session) {
        if (!session.Open()) return;
        // Taken as late as possible: the meter's clock is set to the time it is sent.
        const auto now = static_cast<std::int64_t>(std::time(nullptr));
        std::array<std::uint8_t, 6> clock{};
        TimeToClockBytes(now, now, clock.data());
        session.WriteAndReport(ParameterNamed(w58_map::kParameters, "meter_clock").reg, clock, "时间同步成功",
                               "时间同步失败");
    });
}

std::optional<PageTransaction> CW58NormalPage::BeginPreset(int presetNumber) {
    const auto index = static_cast<std::size_t>(presetNumber - 1);
    return Transaction("配置" + std::to_string(presetNumber) + "下传", [index, values = Values()](PageSession& session) {
        if (!session.Open()) return;
        const W58Preset preset = LoadPresets().w58.at(index);
        DownloadStoredPreset(session, values, preset, kW58PresetFields, W58PresetConfirmation(preset));
    });
}

}  // namespace kelvo
