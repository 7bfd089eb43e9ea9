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

#include "settings/settings.h"

namespace kelvo {

class Prompter;

// Control ids of the tab pages. The generic and the W58 tab share 1031, 1007 and 1055.
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

enum class PresetFieldKind {
    List,         // drop-down list; value = selected index, −1 for none
    Real,         // edit box holding a double, shown with up to 15 significant digits
    Integer,      // edit box holding a signed 32-bit integer
    MeterNumber,  // edit box holding 0..99999999, shown with eight digits
};

struct PresetField {
    int id = 0;
    PresetFieldKind kind = PresetFieldKind::List;
    std::string_view label;
    // The list's items, in list order (lists only).
    std::vector<std::string> (*items)() = nullptr;
    // Carried through without ever being shown, together with its label.
    bool hidden = false;
};

// The fields of a tab in control order, which is also the order they are read back in.
std::span<const PresetField> GenericPresetFields();
std::span<const PresetField> W58PresetFields();

// What a tab needs from its controls, by control id. The Qt tab page implements it over
// its widgets; tests implement it over plain maps.
class PresetFormControls {
public:
    virtual ~PresetFormControls() = default;
    virtual std::string Text(int controlId) const = 0;
    virtual void SetText(int controlId, std::string_view text) = 0;
    // −1 when the list has no selection.
    virtual int Selection(int controlId) const = 0;
    // An index outside the list leaves it without a selection.
    virtual void SetSelection(int controlId, int index) = 0;
};

// The value of one field: lists, integers and the meter number use `integer`, reals `real`.
struct PresetFieldValue {
    long long integer = 0;
    double real = 0.0;

    bool operator==(const PresetFieldValue&) const = default;
};

// One tab: a copy of its preset and the values of its fields.
class PresetTab {
public:
    explicit PresetTab(const GenericPreset& preset);
    explicit PresetTab(const W58Preset& preset);

    bool IsW58() const { return isW58_; }
    std::span<const PresetField> Fields() const { return fields_; }

    // Puts the field values into the controls.
    void Show(PresetFormControls& controls) const;
    // Takes the controls back into the field values, in control order. A check that
    // fails shows its message and ends the reading: that field keeps its value from
    // before the check (a meter number out of range keeps the typed number) and the
    // fields after it keep theirs. False after a failed check.
    bool Read(const PresetFormControls& controls, Prompter& prompter);

    // The preset as the field values now stand.
    GenericPreset RebuildGeneric() const;
    W58Preset RebuildW58() const;

private:
    std::size_t IndexOf(int controlId) const;
    const PresetFieldValue& Value(int controlId) const;
    PresetFieldValue& MutableValue(int controlId);

    bool isW58_;
    std::span<const PresetField> fields_;
    std::vector<PresetFieldValue> values_;
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
    bool Accept(const std::array<const PresetFormControls*, kPresetCount>& tabControls, Prompter& prompter);

private:
    int meterKind_;
    PresetStore presets_;
    std::vector<PresetTab> tabs_;
};

// "请输入一个 0 至 99999999 之间的整数。"
std::string MeterNumberRangePrompt();

}  // namespace kelvo
