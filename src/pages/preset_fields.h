// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the fields of a stored preset meet the parameters of their meter kind: one table
// per kind, which the presets dialog's tabs and the preset downloads both work from.

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "meter/generic_map.h"
#include "meter/w58_map.h"
#include "meter/value_codec.h"
#include "pages/page_definition.h"
#include "pages/page_session.h"
#include "settings/settings.h"
#include "vocabulary/value_tables.h"

namespace kelvo {

// Control ids of the presets dialog's tab pages. The generic and the W58 tab share 1031,
// 1007 and 1055.
namespace preset_control {
inline constexpr int kDiameter = 1031;
inline constexpr int kFlowScale = 1007;
inline constexpr int kFlowUnit = 1047;
inline constexpr int kTotalsUnit = 1049;
inline constexpr int kSensorFactor = 1055;
inline constexpr int kZeroCorrection = 1056;
inline constexpr int kTotaliserShown = 1167;
inline constexpr int kEnergyUnit = 1117;
inline constexpr int kMeterNumber = 1278;
inline constexpr int kAddress = 1009;
inline constexpr int kBaudRate = 1184;
inline constexpr int kParity = 1191;
inline constexpr int kByteOrder = 1199;
}  // namespace preset_control

// How a preset keeps a field's value.
enum class PresetStorage {
    Value,       // as the parameter's field holds it (list index, number)
    DnIndex,     // a DnList index; the W58 list shows DN20, DN25, DN32 (DnList 9, 10, 11)
    EnergyCode,  // an EnergyUnits code; the list shows ShortEnergyUnits
};

template <class Preset>
struct PresetField {
    std::string_view parameter;  // the name in the kind's register map
    int controlId;               // in the presets dialog's tab
    int Preset::*integer = nullptr;
    double Preset::*real = nullptr;
    PresetStorage storage = PresetStorage::Value;
    // Kept with the preset and shown hidden in its tab, but never sent to a meter.
    bool carriedOnly = false;
};

inline constexpr std::array<PresetField<GenericPreset>, 6> kGenericPresetFields = {{
    {.parameter = "diameter", .controlId = preset_control::kDiameter, .integer = &GenericPreset::DN},
    {.parameter = "flow_range", .controlId = preset_control::kFlowScale, .real = &GenericPreset::FlowScale},
    {.parameter = "flow_unit", .controlId = preset_control::kFlowUnit, .integer = &GenericPreset::FlowUnit},
    {.parameter = "totals_unit", .controlId = preset_control::kTotalsUnit, .integer = &GenericPreset::FlowAccuUnit},
    {.parameter = "sensor_factor", .controlId = preset_control::kSensorFactor, .real = &GenericPreset::SnsrFact},
    {.parameter = "zero_correction", .controlId = preset_control::kZeroCorrection, .real = &GenericPreset::ZeroFact,
     .carriedOnly = true},
}};

inline constexpr std::array<PresetField<W58Preset>, 10> kW58PresetFields = {{
    {.parameter = "diameter", .controlId = preset_control::kDiameter, .integer = &W58Preset::DN,
     .storage = PresetStorage::DnIndex},
    {.parameter = "flow_range", .controlId = preset_control::kFlowScale, .real = &W58Preset::FlowScale},
    {.parameter = "totaliser_shown", .controlId = preset_control::kTotaliserShown, .integer = &W58Preset::FlowAccuView},
    {.parameter = "energy_unit", .controlId = preset_control::kEnergyUnit, .integer = &W58Preset::HeatAccuUnit,
     .storage = PresetStorage::EnergyCode},
    {.parameter = "sensor_factor", .controlId = preset_control::kSensorFactor, .real = &W58Preset::SnsrFact},
    {.parameter = "meter_number", .controlId = preset_control::kMeterNumber, .integer = &W58Preset::SnsrCode},
    {.parameter = "meter_address", .controlId = preset_control::kAddress, .integer = &W58Preset::Addr},
    {.parameter = "meter_baud_rate", .controlId = preset_control::kBaudRate, .integer = &W58Preset::Baudrate},
    {.parameter = "meter_parity", .controlId = preset_control::kParity, .integer = &W58Preset::Parity},
    {.parameter = "byte_order", .controlId = preset_control::kByteOrder, .integer = &W58Preset::Swap},
}};

// The tab's rows: each field shown as its parameter is, without registers or buttons.
template <class Preset, std::size_t N>
consteval std::array<ParamRow, N> PresetFormRows(std::span<const Parameter> map,
                                                 const std::array<PresetField<Preset>, N>& fields) {
    std::array<ParamRow, N> rows{};
    for (std::size_t i = 0; i < N; ++i) {
        Parameter shown = ParameterNamed(map, fields[i].parameter);
        shown.kind = Kind::None;
        shown.reg = 0;
        shown.initial = 0;
        rows[i] = ParamRow{shown, RowLayout{.controlId = fields[i].controlId, .hidden = fields[i].carriedOnly}};
    }
    return rows;
}

// The value a tab's field shows for what the preset keeps, and back. A stored diameter
// below DN20 shows as DN20, one above DN32 as no selection; a field left without a
// selection keeps what was stored.
inline long long ShownFromStored(PresetStorage storage, int stored) {
    switch (storage) {
        case PresetStorage::DnIndex: return stored >= kDiameterOffset ? stored - kDiameterOffset : 0;
        case PresetStorage::EnergyCode: return EnergyCodeToShortIndex(stored);
        case PresetStorage::Value: break;
    }
    return stored;
}

inline int StoredFromShown(PresetStorage storage, long long shown, int stored) {
    switch (storage) {
        case PresetStorage::DnIndex:
            return shown >= 0 && shown < static_cast<long long>(w58_map::kDiameterItems.size())
                       ? static_cast<int>(shown) + kDiameterOffset
                       : stored;
        case PresetStorage::EnergyCode: return ShortIndexToEnergyCode(static_cast<int>(shown));
        case PresetStorage::Value: break;
    }
    return static_cast<int>(shown);
}

// A stored preset in place of a page's field values, for its download: a field kept as
// the parameter's own value goes into the page's row of it; one kept in the meter's own
// code goes out as stored. Fields only carried with the preset are left out.
template <class Preset, std::size_t N>
void PutPresetInPlaceOfFields(const Preset& preset, const std::array<PresetField<Preset>, N>& fields,
                              const PageDefinition& page, std::vector<FieldValue>& values,
                              std::vector<StoredWord>& storedAsIs) {
    for (const PresetField<Preset>& field : fields) {
        const auto row = RowIndexOf(page, field.parameter);
        if (field.carriedOnly || !row) continue;
        if (field.storage != PresetStorage::Value) {
            storedAsIs.push_back({page.rows[*row].reg, preset.*field.integer});
        } else if (field.integer != nullptr) {
            values[*row].integer = preset.*field.integer;
        } else {
            values[*row].real = preset.*field.real;
        }
    }
}

// "配置N下传" on the line: with the port open (and the meter identified, where the page
// must know its encoding), the preset as stored at this moment travels in place of the
// page's field values, after the question with the port held. The page keeps its fields.
template <class Preset, std::size_t N>
void DownloadStoredPreset(PageSession& session, const std::vector<FieldValue>& values, const Preset& preset,
                          const std::array<PresetField<Preset>, N>& fields, std::string_view question) {
    std::vector<FieldValue> sent = values;
    std::vector<StoredWord> storedAsIs;
    PutPresetInPlaceOfFields(preset, fields, session.Definition(), sent, storedAsIs);
    DownloadInPlaceOfFields(session, sent, question, storedAsIs);
}

}  // namespace kelvo
