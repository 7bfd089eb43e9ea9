#include "pages/w58/w58_normal_page.h"

#include <array>
#include <ctime>

#include "messages/prompter.h"
#include "pages/preset_confirmation.h"
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

bool CW58NormalPage::OnSpecialButton(int buttonId) {
    if (buttonId != kSynchroniseButton) return false;
    SynchroniseClock();
    return true;
}

void CW58NormalPage::SynchroniseClock() {
    if (!Messages().Confirm("请确认是否要同步时间？")) return;
    CodecContext context;
    if (!OpenTransaction(context)) return;
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    std::array<std::uint8_t, 6> clock{};
    TimeToClockBytes(now, now, clock.data());
    const bool written = Link().WriteRegisters(kRows[kClockRow].reg, static_cast<std::uint16_t>(clock.size()), clock.data()) != 0;
    Messages().Warn(written ? "时间同步成功" : "时间同步失败");
    Link().ClosePort();
}

void CW58NormalPage::DownloadPreset(int presetNumber) {
    CodecContext context;
    if (!OpenTransaction(context)) return;
    const W58Preset preset = LoadPresets().w58.at(static_cast<std::size_t>(presetNumber - 1));

    // The preset's values travel in place of the page's own; the page keeps its fields.
    std::vector<FieldValue> values = Values();
    values[kRangeRow].real = preset.FlowScale;
    values[kTotaliserRow].integer = preset.FlowAccuView;
    values[kSensorFactorRow].real = preset.SnsrFact;
    values[kMeterNumberRow].integer = preset.SnsrCode;
    values[kAddressRow].integer = preset.Addr;
    values[kBaudRow].integer = preset.Baudrate;
    values[kParityRow].integer = preset.Parity;
    values[kByteOrderRow].integer = preset.Swap;
    // The preset stores the meter's own unit code and DnList index: they go out as stored.
    const std::array<StoredWord, 2> storedAsIs = {{{kRows[kEnergyUnitRow].reg, preset.HeatAccuUnit},
                                                   {kRows[kDiameterRow].reg, preset.DN}}};
    DownloadInPlaceOfFields(values, W58PresetConfirmation(preset), context, storedAsIs);
}

}  // namespace kelvo
