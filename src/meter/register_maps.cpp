// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/register_maps.h"

#include <array>

#include "settings/settings.h"

namespace kelvo {
namespace {

// What each map tells a meter, pinned: editing a register, a kind, a scale, a mapping or a
// command fails the build here until the digest is changed too, on purpose.
static_assert(MapDigest(generic_map::kMap) == 0xB7E0483C9C71F770ULL, "the generic register map changed");
static_assert(MapDigest(w58_map::kMap) == 0x07C768ED7715BFD2ULL, "the W58 register map changed");


constexpr std::array<RegisterSpan, 3> kW58Blocks = {{
    SpanOf(w58_map::kParameters, "flow", "alarm_lower_limit"),
    SpanOf(w58_map::kParameters, "alarm_hysteresis", "density_option"),
    SpanOf(w58_map::kParameters, "converter_factor", "empty_pipe_count"),
}};

// The generic meter has no registers beyond its page's: the measurements and settings,
// zero correction, pulse output signal, pulse equivalent.
constexpr std::array<RegisterSpan, 4> kGenericBlocks = {{
    SpanOf(generic_map::kParameters, "flow", "meter_baud_rate"),
    SpanOf(generic_map::kParameters, "zero_correction", "zero_correction"),
    SpanOf(generic_map::kParameters, "pulse_signal", "pulse_signal"),
    SpanOf(generic_map::kParameters, "pulse_equivalent", "pulse_equivalent"),
}};

// Every block lies in one piece of the live record and fits one request.
constexpr bool BlocksFit(std::span<const RegisterSpan> blocks) {
    for (const RegisterSpan& block : blocks) {
        const auto first = LiveOffset(block.start);
        const auto last = LiveOffset(block.start + block.bytes / 2 - 1);
        if (block.bytes > 240 || block.bytes % 2 != 0 || !first || !last || *last - *first != block.bytes - 2) {
            return false;
        }
    }
    return true;
}
static_assert(BlocksFit(kW58Blocks) && BlocksFit(kGenericBlocks),
              "every live block fits one request and lies in one piece of the record");

// The live block holds every parameter of a kind that has registers.
constexpr bool RecordHoldsMap(const RegisterMap& map) {
    for (const Parameter& parameter : map.parameters) {
        if (parameter.Registers() > 0 && (!LiveOffset(parameter.reg) || !LiveOffset(parameter.LastRegister()))) {
            return false;
        }
    }
    return true;
}
static_assert(RecordHoldsMap(generic_map::kMap) && RecordHoldsMap(w58_map::kMap),
              "every parameter lies in the live record");

}  // namespace

const RegisterMap& RegisterMapOf(int meterKind) {
    if (meterKind == kW58Meter) return w58_map::kMap;
    return generic_map::kMap;
}

std::span<const RegisterSpan> LiveBlocksOf(int meterKind) {
    if (meterKind == kW58Meter) return kW58Blocks;
    return kGenericBlocks;
}

}  // namespace kelvo
