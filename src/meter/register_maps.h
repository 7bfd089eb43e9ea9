// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The register map of each meter kind, the rules of meaning every map keeps (checked when
// it is compiled), and what follows from a map: how the polling converts the live block,
// which blocks it reads.

#include <cstdint>
#include <span>
#include <string_view>

#include "meter/generic_map.h"
#include "meter/live_record.h"
#include "meter/parameter.h"
#include "meter/w58_map.h"

namespace kelvo {

// MeterKind 1 (W58) or any other (generic).
const RegisterMap& RegisterMapOf(int meterKind);

enum class MapFault {
    None,
    DuplicateName,       // two parameters or two commands share a name
    OutsideImage,        // a register beyond the register image
    Overlap,             // two parameters share a register and neither is a view of the other
    CommandOnParameter,  // a command register that a parameter also uses
};

namespace register_map_detail {

constexpr bool Overlaps(const Parameter& a, const Parameter& b) {
    return a.Registers() > 0 && b.Registers() > 0 && a.reg <= b.LastRegister() && b.reg <= a.LastRegister();
}

constexpr bool ViewOfEachOther(const Parameter& a, const Parameter& b) {
    return (!a.viewOf.empty() && a.viewOf == b.name) || (!b.viewOf.empty() && b.viewOf == a.name);
}

}  // namespace register_map_detail

constexpr MapFault FirstMapFault(const RegisterMap& map) {
    using namespace register_map_detail;
    const auto parameters = map.parameters;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (parameters[i].Registers() > 0 && parameters[i].LastRegister() >= kRegisterSpace) return MapFault::OutsideImage;
        for (std::size_t j = i + 1; j < parameters.size(); ++j) {
            if (parameters[i].name == parameters[j].name) return MapFault::DuplicateName;
            if (Overlaps(parameters[i], parameters[j]) && !ViewOfEachOther(parameters[i], parameters[j])) {
                return MapFault::Overlap;
            }
        }
    }
    for (std::size_t i = 0; i < map.commands.size(); ++i) {
        const MeterCommand& command = map.commands[i];
        if (command.reg >= kRegisterSpace) return MapFault::OutsideImage;
        for (std::size_t j = i + 1; j < map.commands.size(); ++j) {
            if (command.name == map.commands[j].name) return MapFault::DuplicateName;
        }
        for (const Parameter& parameter : parameters) {
            if (parameter.Registers() > 0 && command.reg >= parameter.reg && command.reg <= parameter.LastRegister()) {
                return MapFault::CommandOnParameter;
            }
        }
    }
    return MapFault::None;
}

// The parameter whose registers hold `reg` (a view only when nothing else does); nullopt
// for a register no parameter uses. A copy, not a pointer: sanitizer builds cannot compare
// addresses in constant expressions.
constexpr std::optional<Parameter> ParameterAt(const RegisterMap& map, int reg) {
    std::optional<Parameter> found;
    for (const Parameter& parameter : map.parameters) {
        if (parameter.Registers() == 0 || reg < parameter.reg || reg > parameter.LastRegister()) continue;
        if (!found || found->viewOf.size() > 0) found = parameter;
    }
    return found;
}

// How the polling puts register `reg` of the live block into host order: by the kind of
// the parameter that holds it; a register no parameter uses is left as it came.
constexpr RegisterRule LiveRuleOf(const RegisterMap& map, int reg) {
    const auto parameter = ParameterAt(map, reg);
    return parameter ? RuleOf(parameter->kind) : RegisterRule::Raw;
}

// A digest of what the maps tell a meter: every parameter's name, register, kind, scale
// and mapping, every command's name, register and value. Pinned below: a change to what a
// meter is told fails the build until the pinned digest is changed with it, on purpose.
constexpr std::uint64_t MapDigest(const RegisterMap& map) {
    std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
    const auto mix = [&hash](std::uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash ^= (value >> (8 * i)) & 0xFF;
            hash *= 1099511628211ULL;
        }
    };
    const auto mixText = [&mix](std::string_view text) {
        for (char c : text) mix(static_cast<unsigned char>(c));
        mix(0);
    };
    for (const Parameter& p : map.parameters) {
        mixText(p.name);
        mix(p.reg);
        mix(static_cast<std::uint64_t>(p.kind));
        mix(static_cast<std::uint64_t>(p.scale));
        mix(static_cast<std::uint64_t>(p.mapping));
    }
    for (const MeterCommand& c : map.commands) {
        mixText(c.name);
        mix(c.reg);
        mix(c.value);
    }
    return hash;
}

static_assert(FirstMapFault(generic_map::kMap) == MapFault::None, "the generic register map breaks a rule of meaning");
static_assert(FirstMapFault(w58_map::kMap) == MapFault::None, "the W58 register map breaks a rule of meaning");

// The blocks of a polling cycle in the order they are read: three for W58, four for the
// generic meter, which has no registers beyond its page's.
std::span<const RegisterSpan> LiveBlocksOf(int meterKind);

}  // namespace kelvo
