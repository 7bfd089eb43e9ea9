#include "pages/normal_cfg_page.h"

#include <array>
#include <string_view>

#include "messages/prompter.h"
#include "pages/normal_cfg_table.h"
#include "pages/preset_confirmation.h"
#include "settings/settings.h"

namespace kelvo {

using namespace normal_cfg;

std::unique_ptr<ParameterPage> MakeNormalCfgPage(const PageDefinition&, PageControls& controls, Prompter& prompter) {
    return std::make_unique<CNormalCfgPage>(controls, prompter);
}

CNormalCfgPage::CNormalCfgPage(PageControls& controls, Prompter& prompter)
    : ParameterPage(kPage, controls, prompter) {}

void CNormalCfgPage::DownloadPreset(int presetNumber) {
    CodecContext context;
    if (!OpenTransaction(context)) return;
    if (!IdentifyMeterOnLink(context)) return;
    const GenericPreset preset = LoadPresets().generic.at(static_cast<std::size_t>(presetNumber - 1));
    // The preset's values travel in place of the page's own; the page keeps its fields.
    std::vector<FieldValue> values = Values();
    values[kDiameterRow].integer = preset.DN;
    values[kRangeRow].real = preset.FlowScale;
    values[kFlowUnitRow].integer = preset.FlowUnit;
    values[kTotalsUnitRow].integer = preset.FlowAccuUnit;
    values[kSensorFactorRow].real = preset.SnsrFact;
    DownloadInPlaceOfFields(values, GenericPresetConfirmation(preset), context);
}

}  // namespace kelvo
