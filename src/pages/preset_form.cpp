// SPDX-License-Identifier: GPL-3.0-or-later
#include "pages/preset_form.h"

#include <algorithm>
#include <cstddef>
#include <optional>

#include "messages/prompter.h"
#include "pages/field_form.h"
#include "pages/preset_fields.h"

namespace kelvo {
namespace {

constexpr auto kGenericFields = PresetFormRows(generic_map::kParameters, kGenericPresetFields);
constexpr auto kW58Fields = PresetFormRows(w58_map::kParameters, kW58PresetFields);

template <class Preset, std::size_t N>
std::vector<FieldValue> FieldValuesOf(const Preset& preset, const std::array<PresetField<Preset>, N>& fields) {
    std::vector<FieldValue> values(N);
    for (std::size_t i = 0; i < N; ++i) {
        if (fields[i].integer != nullptr) {
            values[i].integer = ShownFromStored(fields[i].storage, preset.*fields[i].integer);
        } else {
            values[i].real = preset.*fields[i].real;
        }
    }
    return values;
}

template <class Preset, std::size_t N>
Preset Rebuilt(Preset preset, const std::array<PresetField<Preset>, N>& fields, const std::vector<FieldValue>& values) {
    for (std::size_t i = 0; i < N; ++i) {
        if (fields[i].integer != nullptr) {
            preset.*fields[i].integer = StoredFromShown(fields[i].storage, values[i].integer, preset.*fields[i].integer);
        } else {
            preset.*fields[i].real = values[i].real;
        }
    }
    return preset;
}

}  // namespace

std::span<const ParamRow> GenericPresetFields() { return kGenericFields; }
std::span<const ParamRow> W58PresetFields() { return kW58Fields; }

PresetTab::PresetTab(const GenericPreset& preset)
    : isW58_(false), fields_(kGenericFields), values_(FieldValuesOf(preset, kGenericPresetFields)), generic_(preset) {}

PresetTab::PresetTab(const W58Preset& preset)
    : isW58_(true), fields_(kW58Fields), values_(FieldValuesOf(preset, kW58PresetFields)), w58_(preset) {}

void PresetTab::Show(PageControls& controls) const { ShowFields(fields_, values_, controls); }

bool PresetTab::Read(const PageControls& controls, Prompter& prompter) {
    return !CaptureFields(fields_, values_, controls, prompter).has_value();
}

GenericPreset PresetTab::RebuildGeneric() const { return Rebuilt(generic_, kGenericPresetFields, values_); }

W58Preset PresetTab::RebuildW58() const { return Rebuilt(w58_, kW58PresetFields, values_); }

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
