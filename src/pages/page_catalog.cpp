#include "pages/page_catalog.h"

#include <array>

#include "pages/normal_cfg_page.h"
#include "pages/parameter_page.h"
#include "pages/w58/w58_pages.h"
#include "settings/settings.h"

namespace kelvo {

std::span<const PageDefinition* const> PageDefinitionsOf(int meterKind) {
    static const std::array<const PageDefinition*, 1> generic = {&NormalCfgDefinition()};
    static const std::array<const PageDefinition*, 6> w58 = {
        &W58NormalDefinition(), &W58FlowDefinition(),   &W58PulseDefinition(),
        &W58AlarmDefinition(),  &W58SensorDefinition(), &W58HeatDefinition(),
    };
    if (meterKind == kW58Meter) return w58;
    return generic;
}

std::unique_ptr<ParameterPage> MakePageLogic(const PageDefinition& definition, PageControls& controls,
                                             Prompter& prompter) {
    if (definition.makePage != nullptr) return definition.makePage(definition, controls, prompter);
    return std::make_unique<ParameterPage>(definition, controls, prompter);
}

}  // namespace kelvo
