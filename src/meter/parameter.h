// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A parameter of a meter as the meter fixes it: its stable name, the label it is shown
// with, its registers and how they travel, its scale, its list and its range. Each meter
// kind keeps every parameter once, in its register map; pages, the live display, the
// presets and the simulated meter take what they need from there, by name.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kelvo {

// How a parameter's registers travel on the wire.
enum class Kind {
    None,          // no register (a value that is only shown)
    U16, S16,      // one register, high byte first
    U32, S32,      // two registers arranged by the ByteOrderMode
    Float,         // two registers arranged by the ByteOrderMode, a single-precision number
    FlowUnitPair,  // two U16 registers: volume unit, time unit; value = volume × 3 + time
    Digits8,       // four registers, one decimal digit per byte, no swapping
    Total,         // four registers: whole part and thousandths, each an S32 pair
    Clock,         // three registers: year − 2000, month, day, hour, minute, second bytes
};

// Registers a kind occupies.
constexpr int RegistersOf(Kind kind) {
    switch (kind) {
        case Kind::None: return 0;
        case Kind::U16:
        case Kind::S16: return 1;
        case Kind::U32:
        case Kind::S32:
        case Kind::Float:
        case Kind::FlowUnitPair: return 2;
        case Kind::Clock: return 3;
        case Kind::Digits8:
        case Kind::Total: return 4;
    }
    return 0;
}

// How the polling puts a register of the live block into host order.
enum class RegisterRule { Word16, Pair32, Raw };

constexpr RegisterRule RuleOf(Kind kind) {
    switch (kind) {
        case Kind::U16:
        case Kind::S16:
        case Kind::FlowUnitPair: return RegisterRule::Word16;
        case Kind::U32:
        case Kind::S32:
        case Kind::Float:
        case Kind::Total: return RegisterRule::Pair32;
        case Kind::None:
        case Kind::Digits8:
        case Kind::Clock: break;
    }
    return RegisterRule::Raw;
}

// The registers every download and the simulated meter lay out: 0..399.
inline constexpr int kRegisterSpace = 400;

// The W58 meter's diameter register holds its DnList index; its list starts at DN20,
// index 9 of DnList.
inline constexpr int kDiameterOffset = 9;

// Mappings between a value and its register integer beyond the plain scale.
enum class Mapping {
    Plain,             // register = value (× 10^scale for decimals)
    DiameterOffset,    // W58: register = list index + 9 (DN20, DN25, DN32 of DnList)
    EnergyUnit,        // list of ShortEnergyUnits <-> EnergyUnits code
    EncodedDiameter,   // generic: DnList index, or the legacy code on legacy meters
    EncodedFactor,     // generic sensor factor: scale 10^5, 10^4 on legacy meters
};

// Where a list's items come from (fixed lists carry their own items).
enum class ListSource { Fixed, AllDiameters, FlowUnits, VolumeUnits, ShortEnergyUnits };

// How a value is shown and edited.
enum class Control {
    List,        // drop-down list; value = selected index, −1 for none
    IntEdit,     // integer edit
    DecimalEdit, // decimal edit, double precision, shown with up to 15 significant digits
    FloatEdit,   // decimal edit, single precision, shown with up to 6 significant digits
    DigitsEdit,  // eight-digit meter number, always shown as "%08ld"
    DateTime,    // a date picker and a time picker
};

// Where the unit a value is shown in comes from: one of the meter's unit registers, as the
// live display shows the flow in the flow unit and the totals in the flow's volume unit, or
// a fixed text - for a parameter, the one its label names in parentheses.
enum class UnitSource : std::uint8_t {
    FlowUnit,    // volume unit / time unit (registers 115, 116), e.g. "m3/h"
    VolumeUnit,  // register 115, as the totals are shown, e.g. "m3"
    PowerUnit,   // register 133
    EnergyUnit,  // register 134
    Fixed,       // "m/s" of "流速上限(m/s)"; none without parentheses
};

// The bounds a value must keep, checked before anything is sent.
struct Range {
    double min;
    double max;
};

struct Parameter {
    std::string_view name = {};   // stable, e.g. "flow_range": files and the command line use it
    std::string_view label = {};  // as the pages show it, e.g. "流量量程"
    Control control = Control::DecimalEdit;
    Kind kind = Kind::U16;
    std::uint16_t reg = 0;
    int scale = 0;  // decimal exponent k: register = value × 10^k
    Mapping mapping = Mapping::Plain;
    ListSource listSource = ListSource::Fixed;
    std::span<const std::string_view> items = {};
    std::optional<Range> range = std::nullopt;
    double initial = 0;  // the value a page's field starts with
    // Reads registers another parameter of the map reads too, another way (the flow
    // unit pair over the volume unit). Only such a view may overlap another parameter.
    std::string_view viewOf = {};
    // Belongs to one meter (its number, address, line, totals, clock, zero point): a
    // restore onto another meter leaves it out unless asked for.
    bool perMeter = false;
    UnitSource unit = UnitSource::Fixed;

    constexpr int Registers() const { return RegistersOf(kind); }
    constexpr int Bytes() const { return 2 * Registers(); }
    constexpr int LastRegister() const { return reg + Registers() - 1; }
    // Its registers mean different things to meters of the two parameter encodings, so
    // every exchange of it identifies the meter first.
    constexpr bool DependsOnEncoding() const {
        return mapping == Mapping::EncodedDiameter || mapping == Mapping::EncodedFactor;
    }
};

// A meter command: one value written to one register (auto zero, clear totals …).
struct MeterCommand {
    std::string_view name;
    std::uint16_t reg;
    std::uint16_t value;
};

// Everything a meter kind offers.
struct RegisterMap {
    std::string_view kindName;  // "generic", "w58"
    std::span<const Parameter> parameters;
    std::span<const MeterCommand> commands;
};

namespace register_map_detail {
// Reached only in a constant expression: a name no entry carries fails the build there.
inline void NoSuchName() {}
}  // namespace register_map_detail

// The parameter of `map` named `name`. In a constant expression a missing name does not
// compile; at run time it gives nullopt.
constexpr std::optional<Parameter> FindParameter(std::span<const Parameter> map, std::string_view name) {
    for (const Parameter& parameter : map) {
        if (parameter.name == name) return parameter;
    }
    return std::nullopt;
}

consteval Parameter ParameterNamed(std::span<const Parameter> map, std::string_view name) {
    for (const Parameter& parameter : map) {
        if (parameter.name == name) return parameter;
    }
    register_map_detail::NoSuchName();  // "the register map has no parameter of this name"
    return {};
}

consteval MeterCommand CommandNamed(std::span<const MeterCommand> commands, std::string_view name) {
    for (const MeterCommand& command : commands) {
        if (command.name == name) return command;
    }
    register_map_detail::NoSuchName();  // "the register map has no command of this name"
    return {};
}

// Registers [start, start + bytes/2): one request of a batch, or a live block.
struct RegisterSpan {
    std::uint16_t start;
    std::uint16_t bytes;
};

// From the first register of `first` to the last register of `last`, with whatever
// lies between them in the meter's layout.
consteval RegisterSpan SpanOf(std::span<const Parameter> map, std::string_view first, std::string_view last) {
    const Parameter from = ParameterNamed(map, first);
    const Parameter to = ParameterNamed(map, last);
    return {.start = from.reg, .bytes = static_cast<std::uint16_t>(2 * (to.LastRegister() - from.reg + 1))};
}

}  // namespace kelvo
