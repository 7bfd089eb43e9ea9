// SPDX-License-Identifier: GPL-3.0-or-later
#include "pages/page_catalog.h"

#include <algorithm>
#include <array>

#include "pages/normal_cfg_page.h"
#include "pages/normal_cfg_table.h"
#include "pages/page_checks.h"
#include "pages/parameter_page.h"
#include "pages/w58/w58_alarm_table.h"
#include "pages/w58/w58_flow_table.h"
#include "pages/w58/w58_heat_table.h"
#include "pages/w58/w58_normal_table.h"
#include "pages/w58/w58_pages.h"
#include "pages/w58/w58_pulse_table.h"
#include "pages/w58/w58_sensor_table.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

constexpr std::array<const PageDefinition*, 1> kGenericPages = {&normal_cfg::kPage};
constexpr std::array<const PageDefinition*, 6> kW58Pages = {
    &w58_normal::kPage, &w58_flow::kPage, &w58_pulse::kPage, &w58_alarm::kPage, &w58_sensor::kPage, &w58_heat::kPage,
};

constexpr bool Sound(const PageDefinition* page) { return FirstTableFault(*page) == TableFault::None; }
static_assert(std::ranges::all_of(kGenericPages, Sound), "a table of the generic page breaks a rule of page_checks.h");
static_assert(Sound(kW58Pages[0]), "the W58 common page's table breaks a rule of page_checks.h");
static_assert(Sound(kW58Pages[1]), "the W58 flow page's table breaks a rule of page_checks.h");
static_assert(Sound(kW58Pages[2]), "the W58 pulse page's table breaks a rule of page_checks.h");
static_assert(Sound(kW58Pages[3]), "the W58 alarm page's table breaks a rule of page_checks.h");
static_assert(Sound(kW58Pages[4]), "the W58 sensor page's table breaks a rule of page_checks.h");
static_assert(Sound(kW58Pages[5]), "the W58 heat page's table breaks a rule of page_checks.h");

}  // namespace

std::span<const PageDefinition* const> PageDefinitionsOf(int meterKind) {
    if (meterKind == kW58Meter) return kW58Pages;
    return kGenericPages;
}

std::unique_ptr<ParameterPage> MakePageLogic(const PageDefinition& definition, PageControls& controls,
                                             Prompter& prompter) {
    if (definition.makePage != nullptr) return definition.makePage(definition, controls, prompter);
    return std::make_unique<ParameterPage>(definition, controls, prompter);
}

const PageDefinition& NormalCfgDefinition() { return normal_cfg::kPage; }
const PageDefinition& W58NormalDefinition() { return w58_normal::kPage; }
const PageDefinition& W58FlowDefinition() { return w58_flow::kPage; }
const PageDefinition& W58PulseDefinition() { return w58_pulse::kPage; }
const PageDefinition& W58AlarmDefinition() { return w58_alarm::kPage; }
const PageDefinition& W58SensorDefinition() { return w58_sensor::kPage; }
const PageDefinition& W58HeatDefinition() { return w58_heat::kPage; }

}  // namespace kelvo
