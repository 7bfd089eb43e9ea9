#include "settings/preset_form.h"

#include <algorithm>
#include <cstddef>
#include <optional>

#include "messages/prompter.h"
#include "pages/page_definition.h"
#include "pages/value_text.h"
#include "tables/value_tables.h"

namespace kelvo {
namespace {

using FieldKind = PresetFieldKind;
namespace id = preset_control;

constexpr long long kMeterNumberMin = 0;
constexpr long long kMeterNumberMax = 99999999;

// The W58 tab offers DN20, DN25 and DN32 only: list index 0 is DnList index 9.
constexpr int kW58FirstDiameter = 9;
constexpr int kW58DiameterCount = 3;

template <std::size_t N>
std::vector<std::string> Texts(const std::array<std::string_view, N>& table) {
    return {table.begin(), table.end()};
}

std::vector<std::string> AllDiameters() {
    std::vector<std::string> items;
    for (std::size_t index = 0; index < DnList.size(); ++index) {
        items.push_back(DiameterText(static_cast<long long>(index)));
    }
    return items;
}

std::vector<std::string> W58Diameters() {
    std::vector<std::string> items;
    for (int index = 0; index < kW58DiameterCount; ++index) items.push_back(DiameterText(kW58FirstDiameter + index));
    return items;
}

std::vector<std::string> FlowUnitItems() { return {FlowUnitTexts().begin(), FlowUnitTexts().end()}; }
std::vector<std::string> VolumeUnitItems() { return Texts(VolumeUnits); }
std::vector<std::string> TotaliserItems() { return Texts(TotalizerNames); }
std::vector<std::string> EnergyUnitItems() { return Texts(ShortEnergyUnits); }
std::vector<std::string> BaudItems() { return Texts(BaudTexts); }
std::vector<std::string> ParityItems() { return Texts(ParityTexts); }
std::vector<std::string> ByteOrderItems() { return Texts(ByteOrderTexts); }

const std::array<PresetField, 6> kGenericFields = {{
    {.id = id::kDiameter, .kind = FieldKind::List, .label = "口径", .items = AllDiameters},
    {.id = id::kFlowScale, .kind = FieldKind::Real, .label = "流量量程"},
    {.id = id::kFlowUnit, .kind = FieldKind::List, .label = "流量单位", .items = FlowUnitItems},
    {.id = id::kTotalsUnit, .kind = FieldKind::List, .label = "累积单位", .items = VolumeUnitItems},
    {.id = id::kSensorFactor, .kind = FieldKind::Real, .label = "传感器系数"},
    {.id = id::kZeroCorrection, .kind = FieldKind::Real, .label = "零点修正(m/s)", .hidden = true},
}};

const std::array<PresetField, 10> kW58Fields = {{
    {.id = id::kDiameter, .kind = FieldKind::List, .label = "口径", .items = W58Diameters},
    {.id = id::kFlowScale, .kind = FieldKind::Real, .label = "流量量程"},
    {.id = id::kTotaliserShown, .kind = FieldKind::List, .label = "流量累积显示", .items = TotaliserItems},
    {.id = id::kEnergyUnit, .kind = FieldKind::List, .label = "能量累积单位", .items = EnergyUnitItems},
    {.id = id::kSensorFactor, .kind = FieldKind::Real, .label = "传感器系数"},
    {.id = id::kMeterNumber, .kind = FieldKind::MeterNumber, .label = "表号"},
    {.id = id::kAddress, .kind = FieldKind::Integer, .label = "通讯地址"},
    {.id = id::kBaudRate, .kind = FieldKind::List, .label = "波特率", .items = BaudItems},
    {.id = id::kParity, .kind = FieldKind::List, .label = "校验方式", .items = ParityItems},
    {.id = id::kByteOrder, .kind = FieldKind::List, .label = "字节顺序", .items = ByteOrderItems},
}};

std::string TextOf(const PresetField& field, const PresetFieldValue& value) {
    switch (field.kind) {
        case FieldKind::Real: return FormatGeneral(value.real, 15);
        case FieldKind::Integer: return std::to_string(value.integer);
        case FieldKind::MeterNumber: return FormatMeterNumber(value.integer);
        case FieldKind::List: break;
    }
    return {};
}

int ToInt(long long value) { return static_cast<int>(value); }

}  // namespace

std::span<const PresetField> GenericPresetFields() { return kGenericFields; }
std::span<const PresetField> W58PresetFields() { return kW58Fields; }

std::string MeterNumberRangePrompt() {
    return "请输入一个 " + std::to_string(kMeterNumberMin) + " 至 " + std::to_string(kMeterNumberMax) + " 之间的整数。";
}

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
                                    [controlId](const PresetField& f) { return f.id == controlId; });
    return static_cast<std::size_t>(field - fields_.begin());
}

const PresetFieldValue& PresetTab::Value(int controlId) const { return values_.at(IndexOf(controlId)); }

PresetFieldValue& PresetTab::MutableValue(int controlId) { return values_.at(IndexOf(controlId)); }

void PresetTab::Show(PresetFormControls& controls) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const PresetField& field = fields_[i];
        if (field.kind == FieldKind::List) {
            controls.SetSelection(field.id, ToInt(values_[i].integer));
        } else {
            controls.SetText(field.id, TextOf(field, values_[i]));
        }
    }
}

bool PresetTab::Read(const PresetFormControls& controls, Prompter& prompter) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const PresetField& field = fields_[i];
        PresetFieldValue& value = values_[i];
        switch (field.kind) {
            case FieldKind::List: value.integer = controls.Selection(field.id); break;
            case FieldKind::Real: {
                const std::optional<double> real = ParseDecimal(controls.Text(field.id));
                if (!real) {
                    prompter.Warn(kEnterNumberText);
                    return false;
                }
                value.real = *real;
                break;
            }
            case FieldKind::Integer:
            case FieldKind::MeterNumber: {
                const std::optional<long long> integer = ParseInteger(controls.Text(field.id));
                if (!integer) {
                    prompter.Warn(kEnterIntegerText);
                    return false;
                }
                // The number is taken before its range is checked, so a number out of
                // range stays in the field.
                value.integer = *integer;
                const bool inRange = *integer >= kMeterNumberMin && *integer <= kMeterNumberMax;
                if (field.kind == FieldKind::MeterNumber && !inRange) {
                    prompter.Warn(MeterNumberRangePrompt());
                    return false;
                }
                break;
            }
        }
    }
    return true;
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
    if (diameterIndex >= 0 && diameterIndex < kW58DiameterCount) {
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

bool PresetEditor::Accept(const std::array<const PresetFormControls*, kPresetCount>& tabControls,
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
    if (!SavePresets(presets_)) {
        prompter.Warn(kSaveSettingsFailedText);
        return false;
    }
    return true;
}

}  // namespace kelvo
