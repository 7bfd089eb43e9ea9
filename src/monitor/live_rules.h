#pragma once
// How the meter lays out the registers of its live block: 16-bit words, 32-bit pairs
// arranged by the ByteOrderMode, or raw bytes (digits, clock, unused). The polling
// thread converts by this table, and every parameter page's table is checked against it
// when it is compiled, so a page reads a live register the way it was converted.

#include <array>
#include <optional>

#include "monitor/live_record.h"

namespace kelvo {

enum class RegisterRule { Word16, Pair32, Raw };

// A 32-bit range holds register pairs that start at its first register; the lower
// number of a pair comes first.
struct RuleRange {
    int first;
    int last;
    RegisterRule rule;
};

namespace live_rules_detail {
using enum RegisterRule;
inline constexpr auto kLiveRules = std::to_array<RuleRange>({
    {.first = 99, .last = 114, .rule = Pair32},   // flow, velocity, percentage, MT, totals
    {.first = 115, .last = 118, .rule = Word16},  // units, alarm bits
    {.first = 119, .last = 132, .rule = Pair32},  // heat power, temperatures, heat and cold totals
    {.first = 133, .last = 134, .rule = Word16},
    {.first = 135, .last = 138, .rule = Raw},
    {.first = 139, .last = 140, .rule = Pair32},
    {.first = 141, .last = 144, .rule = Word16},
    {.first = 145, .last = 148, .rule = Pair32},
    {.first = 149, .last = 158, .rule = Word16},
    {.first = 159, .last = 176, .rule = Pair32},
    {.first = 177, .last = 178, .rule = Word16},
    {.first = 179, .last = 179, .rule = Raw},
    {.first = 180, .last = 180, .rule = Word16},
    {.first = 181, .last = 184, .rule = Raw},
    {.first = 185, .last = 186, .rule = Word16},
    {.first = 187, .last = 190, .rule = Pair32},
    {.first = 191, .last = 199, .rule = Word16},
    {.first = 200, .last = 202, .rule = Raw},
    {.first = 203, .last = 204, .rule = Word16},
    {.first = 205, .last = 222, .rule = Raw},
    {.first = 223, .last = 224, .rule = Word16},
    {.first = 225, .last = 234, .rule = Raw},
    {.first = 235, .last = 236, .rule = Pair32},
    {.first = 237, .last = 237, .rule = Word16},
    {.first = 238, .last = 239, .rule = Raw},
    {.first = 240, .last = 240, .rule = Word16},
    {.first = 241, .last = 244, .rule = Pair32},
    {.first = 245, .last = 246, .rule = Word16},
    {.first = 247, .last = 247, .rule = Raw},
    {.first = 248, .last = 248, .rule = Word16},
    {.first = 249, .last = 250, .rule = Pair32},
    {.first = 251, .last = 252, .rule = Word16},
    {.first = 253, .last = 256, .rule = Pair32},
    {.first = 257, .last = 265, .rule = Word16},
    {.first = 266, .last = 267, .rule = Pair32},
    {.first = 268, .last = 268, .rule = Word16},
    {.first = 269, .last = 271, .rule = Raw},
    {.first = 272, .last = 272, .rule = Word16},
    {.first = 273, .last = 276, .rule = Raw},
    {.first = 277, .last = 278, .rule = Pair32},
    {.first = 279, .last = 286, .rule = Word16},
    {.first = 321, .last = 332, .rule = Pair32},
    {.first = 333, .last = 333, .rule = Word16},
});

// The rows cover the record's registers in order, without gaps, and every 32-bit
// range holds whole pairs.
constexpr bool RulesCoverRecord() {
    int expected = kLiveFirstBlockFirst;
    for (const RuleRange& range : kLiveRules) {
        if (expected == kLiveFirstBlockLast + 1) expected = kLiveSecondBlockFirst;
        if (range.first != expected || range.last < range.first) return false;
        if (range.rule == Pair32 && (range.last - range.first) % 2 == 0) return false;
        expected = range.last + 1;
    }
    return expected == kLiveSecondBlockLast + 1;
}
static_assert(RulesCoverRecord());
}  // namespace live_rules_detail

// The rule range of register reg; nullopt for registers outside the live record. (A
// copy, not a pointer: sanitizer builds cannot compare addresses in constant expressions.)
constexpr std::optional<RuleRange> LiveRuleRangeOf(int reg) {
    for (const RuleRange& range : live_rules_detail::kLiveRules) {
        if (reg >= range.first && reg <= range.last) return range;
    }
    return std::nullopt;
}

// How register reg of the live block is put into host order.
constexpr RegisterRule LiveRuleOf(int reg) {
    const auto range = LiveRuleRangeOf(reg);
    return range ? range->rule : RegisterRule::Raw;
}

// True when reg is the first register of one of the record's 32-bit pairs.
constexpr bool StartsLivePair(int reg) {
    const auto range = LiveRuleRangeOf(reg);
    return range && range->rule == RegisterRule::Pair32 && (reg - range->first) % 2 == 0;
}

}  // namespace kelvo
