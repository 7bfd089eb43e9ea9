// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tabs of the presets dialog without their windows: which value field each control
// of a tab shows, how a stored preset becomes field values and back, how typed text is
// read back with the standard field checks, and what OK writes. Everything the dialog
// puts into config.ini is decided here; the Qt tab pages only move values in and out.

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pages/page_controls.h"
#include "pages/page_definition.h"
#include "pages/preset_fields.h"
#include "meter/value_codec.h"
#include "settings/settings.h"

namespace kelvo {

class Prompter;

// The fields of a tab as rows without registers, in control order, which is also the
// order they are read back in; shown and read back like a parameter page's rows.
std::span<const ParamRow> GenericPresetFields();
std::span<const ParamRow> W58PresetFields();

// One tab: a copy of its preset and the values of its fields.
class PresetTab {
public:
    explicit PresetTab(const GenericPreset& preset);
    explicit PresetTab(const W58Preset& preset);

    bool IsW58() const { return isW58_; }
    std::span<const ParamRow> Fields() const { return fields_; }

    // Puts the field values into the controls.
    void Show(PageControls& controls) const;
    // Takes the controls back into the field values, in control order. A check that
    // fails shows its message and ends the reading: that field keeps its value from
    // before the check (a meter number out of range keeps the typed number) and the
    // fields after it keep theirs. False after a failed check.
    bool Read(const PageControls& controls, Prompter& prompter);

    // The preset as the field values now stand.
    GenericPreset RebuildGeneric() const;
    W58Preset RebuildW58() const;

private:
    bool isW58_;
    std::span<const ParamRow> fields_;
    std::vector<FieldValue> values_;
    GenericPreset generic_;
    W58Preset w58_;
};

// The presets dialog: the meter kind and the presets as read at opening, and one tab
// for each preset of that kind.
class PresetEditor {
public:
    // Loads the meter kind and the presets; the W58 presets are edited exactly when the
    // stored kind is the W58 meter, the generic ones otherwise.
    PresetEditor();

    int MeterKind() const { return meterKind_; }
    bool EditsW58() const { return meterKind_ == kW58Meter; }
    PresetTab& Tab(int index) { return tabs_.at(static_cast<std::size_t>(index)); }
    const PresetStore& Presets() const { return presets_; }

    // OK: reads every tab that has controls back (each failed check shows its message
    // and ends only that tab's reading), rebuilds those presets from the values as they
    // then stand and saves all ten presets; the other kind's presets go back as they
    // were loaded. A save that fails is reported. False when nothing could be saved.
    bool Accept(const std::array<const PageControls*, kPresetCount>& tabControls, Prompter& prompter);

private:
    int meterKind_;
    PresetStore presets_;
    std::vector<PresetTab> tabs_;
};

}  // namespace kelvo
