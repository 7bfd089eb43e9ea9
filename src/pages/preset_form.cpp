#include "pages/preset_form.h"

#include <algorithm>
#include <cstddef>
#include <optional>

#include "messages/prompter.h"
#include "pages/field_form.h"
#include "pages/list_items.h"
#include "tables/value_tables.h"

namespace kelvo {
namespace {

namespace id = preset_control;

constexpr Range kMeterNumberRange{0, 99999999};

// A preset field has no register and no buttons: it only moves between file and control.
constexpr std::array<ParamRow, 6> kGenericFields = {{
    {.label = "口径", .control = Control::List, .controlId = id::kDiameter, .kind = Kind::None,
     .listSource = ListSource::AllDiameters},
    {.label = "流量量程", .control = Control::DecimalEdit, .controlId = id::kFlowScale, .kind = Kind::None},
    {.label = "流量单位", .control = Control::List, .controlId = id::kFlowUnit, .kind = Kind::None,
     .listSource = ListSource::FlowUnits},
    {.label = "累积单位", .control = Control::List, .controlId = id::kTotalsUnit, .kind = Kind::None,
     .listSource = ListSource::VolumeUnits},
    {.label = "传感器系数", .control = Control::DecimalEdit, .controlId = id::kSensorFactor, .kind = Kind::None},
    {.label = "零点修正(m/s)", .control = Control::DecimalEdit, .controlId = id::kZeroCorrection, .kind = Kind::None,
     .hidden = true},
}};

constexpr std::array<ParamRow, 10> kW58Fields = {{
    {.label = "口径", .control = Control::List, .controlId = id::kDiameter, .kind = Kind::None, .items = kW58DiameterItems},
    {.label = "流量量程", .control = Control::DecimalEdit, .controlId = id::kFlowScale, .kind = Kind::None},
    {.label = "流量累积显示", .control = Control::List, .controlId = id::kTotaliserShown, .kind = Kind::None,
     .items = TotalizerNames},
    {.label = "能量累积单位", .control = Control::List, .controlId = id::kEnergyUnit, .kind = Kind::None,
     .listSource = ListSource::ShortEnergyUnits},
    {.label = "传感器系数", .control = Control::DecimalEdit, .controlId = id::kSensorFactor, .kind = Kind::None},
    {.label = "表号", .control = Control::DigitsEdit, .controlId = id::kMeterNumber, .kind = Kind::None,
     .range = kMeterNumberRange},
    {.label = "通讯地址", .control = Control::IntEdit, .controlId = id::kAddress, .kind = Kind::None},
    {.label = "波特率", .control = Control::List, .controlId = id::kBaudRate, .kind = Kind::None, .items = BaudTexts},
    {.label = "校验方式", .control = Control::List, .controlId = id::kParity, .kind = Kind::None, .items = ParityTexts},
    {.label = "字节顺序", .control = Control::List, .controlId = id::kByteOrder, .kind = Kind::None,
     .items = ByteOrderTexts},
}};

int ToInt(long long value) { return static_cast<int>(value); }

}  // namespace

std::span<const ParamRow> GenericPresetFields() { return kGenericFields; }
std::span<const ParamRow> W58PresetFields() { return kW58Fields; }

PresetTab::PresetTab(const GenericPreset& preset)
    : isW58_(false), fields_(kGenericFields), values_(kGenericFields.size()), generic_(preset) {
    MutableValue(id::kDiameter).integer = preset.DN;
    MutableValue(id::kFlowScale).real = preset.FlowScale;
    MutableValue(id::kFlowUnit).integer = preset.FlowUnit;
    MutableValue(id::kTotalsUnit).integer = preset.FlowAccuUnit;
    MutableValue(id::kSensorFactor).real = preset.SnsrFact;
    MutableValue(id::kZeroCorrection).real = preset.ZeroFact;
}

PresetTab::PresetTab(const W58Preset& preset)
    : isW58_(true), fields_(kW58Fields), values_(kW58Fields.size()), w58_(preset) {
    // A diameter below DN20 shows as DN20; one above DN32 shows no selection.
    MutableValue(id::kDiameter).integer = preset.DN >= kW58FirstDiameter ? preset.DN - kW58FirstDiameter : 0;
    MutableValue(id::kFlowScale).real = preset.FlowScale;
    MutableValue(id::kTotaliserShown).integer = preset.FlowAccuView;
    MutableValue(id::kEnergyUnit).integer = EnergyCodeToShortIndex(preset.HeatAccuUnit);
    MutableValue(id::kSensorFactor).real = preset.SnsrFact;
    MutableValue(id::kMeterNumber).integer = preset.SnsrCode;
    MutableValue(id::kAddress).integer = preset.Addr;
    MutableValue(id::kBaudRate).integer = preset.Baudrate;
    MutableValue(id::kParity).integer = preset.Parity;
    MutableValue(id::kByteOrder).integer = preset.Swap;
}

std::size_t PresetTab::IndexOf(int controlId) const {
    const auto field = std::find_if(fields_.begin(), fields_.end(),
                                    [controlId](const ParamRow& f) { return f.controlId == controlId; });
    return static_cast<std::size_t>(field - fields_.begin());
}

const FieldValue& PresetTab::Value(int controlId) const { return values_.at(IndexOf(controlId)); }

FieldValue& PresetTab::MutableValue(int controlId) { return values_.at(IndexOf(controlId)); }

void PresetTab::Show(PageControls& controls) const { ShowFields(fields_, values_, controls); }

bool PresetTab::Read(const PageControls& controls, Prompter& prompter) {
    return !CaptureFields(fields_, values_, controls, prompter).has_value();
}

GenericPreset PresetTab::RebuildGeneric() const {
    GenericPreset preset = generic_;
    preset.DN = ToInt(Value(id::kDiameter).integer);
    preset.FlowScale = Value(id::kFlowScale).real;
    preset.FlowUnit = ToInt(Value(id::kFlowUnit).integer);
    preset.FlowAccuUnit = ToInt(Value(id::kTotalsUnit).integer);
    preset.SnsrFact = Value(id::kSensorFactor).real;
    preset.ZeroFact = Value(id::kZeroCorrection).real;
    return preset;
}

W58Preset PresetTab::RebuildW58() const {
    W58Preset preset = w58_;
    // A stored diameter the list cannot show leaves it without a selection; unless the
    // user picks one, the stored diameter goes back as it was.
    const long long diameterIndex = Value(id::kDiameter).integer;
    if (diameterIndex >= 0 && diameterIndex < static_cast<long long>(kW58DiameterItems.size())) {
        preset.DN = ToInt(diameterIndex) + kW58FirstDiameter;
    }
    preset.FlowScale = Value(id::kFlowScale).real;
    preset.FlowAccuView = ToInt(Value(id::kTotaliserShown).integer);
    preset.HeatAccuUnit = ShortIndexToEnergyCode(ToInt(Value(id::kEnergyUnit).integer));
    preset.SnsrFact = Value(id::kSensorFactor).real;
    preset.SnsrCode = ToInt(Value(id::kMeterNumber).integer);
    preset.Addr = ToInt(Value(id::kAddress).integer);
    preset.Baudrate = ToInt(Value(id::kBaudRate).integer);
    preset.Parity = ToInt(Value(id::kParity).integer);
    preset.Swap = ToInt(Value(id::kByteOrder).integer);
    return preset;
}

PresetEditor::PresetEditor() : meterKind_(LoadMeterKind()), presets_(LoadPresets()) {
    tabs_.reserve(kPresetCount);
    for (std::size_t n = 0; n < kPresetCount; ++n) {
        if (EditsW58()) {
            tabs_.emplace_back(presets_.w58[n]);
        } else {
            tabs_.emplace_back(presets_.generic[n]);
        }
    }
}

bool PresetEditor::Accept(const std::array<const PageControls*, kPresetCount>& tabControls,
                          Prompter& prompter) {
    for (std::size_t n = 0; n < kPresetCount; ++n) {
        if (tabControls[n] == nullptr) continue;
        PresetTab& tab = tabs_[n];
        // A failed check does not stop OK: the preset is rebuilt from what was read.
        tab.Read(*tabControls[n], prompter);
        if (tab.IsW58()) {
            presets_.w58[n] = tab.RebuildW58();
        } else {
            presets_.generic[n] = tab.RebuildGeneric();
        }
    }
    if (const SaveResult saved = SavePresets(presets_); !saved) {
        prompter.Warn(kSaveSettingsFailedText, SaveErrorText(saved));
        return false;
    }
    return true;
}

}  // namespace kelvo
