#include "monitor/live_polling.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "link/byte_order.h"
#include "link/modbus_rtu.h"
#include "settings/settings.h"

namespace kelvo {

namespace {

// How the meter lays out its live block. A 32-bit range holds register pairs that
// start at its first register; the lower number of a pair comes first.
struct RuleRange {
    int first;
    int last;
    RegisterRule rule;
};

using enum RegisterRule;

constexpr auto kLiveRules = std::to_array<RuleRange>({
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

const RuleRange* RangeOf(int reg) {
    const auto found =
        std::find_if(kLiveRules.begin(), kLiveRules.end(), [reg](const RuleRange& r) { return reg >= r.first && reg <= r.last; });
    return found != kLiveRules.end() ? &*found : nullptr;
}

// Every block fits the local buffer a read goes to.
constexpr int kReadBufferBytes = 256;

constexpr std::array<LiveBlock, 3> kW58Blocks = {{
    {.startRegister = 99, .byteCount = 200},   // registers 99..198
    {.startRegister = 199, .byteCount = 176},  // registers 199..286
    {.startRegister = 321, .byteCount = 26},   // registers 321..333
}};

// The generic meter has no registers beyond its page's: the measurements and settings,
// zero correction, pulse output signal, pulse equivalent.
constexpr std::array<LiveBlock, 4> kGenericBlocks = {{
    {.startRegister = 99, .byteCount = 118},  // registers 99..157
    {.startRegister = 323, .byteCount = 4},
    {.startRegister = 185, .byteCount = 2},
    {.startRegister = 189, .byteCount = 4},
}};

constexpr bool BlocksFit(std::span<const LiveBlock> blocks) {
    for (const LiveBlock& block : blocks) {
        const auto first = LiveOffset(block.startRegister);
        const auto last = LiveOffset(block.startRegister + block.byteCount / 2 - 1);
        if (block.byteCount > kReadBufferBytes || block.byteCount % 2 != 0 || !first || !last ||
            *last - *first != block.byteCount - 2) {
            return false;
        }
    }
    return true;
}
static_assert(BlocksFit(kW58Blocks) && BlocksFit(kGenericBlocks),
              "every live block fits the read buffer and lies in one piece of the record");

}  // namespace

std::span<const LiveBlock> LiveBlocksOf(int meterKind) {
    if (meterKind == kW58Meter) return kW58Blocks;
    return kGenericBlocks;
}

RegisterRule LiveRuleOf(int reg) {
    const RuleRange* range = RangeOf(reg);
    return range != nullptr ? range->rule : Raw;
}

void ConvertLiveBlock(LiveRecord& record, std::uint16_t startRegister, std::uint16_t byteCount,
                      int byteOrderMode) {
    const int end = startRegister + byteCount / 2;
    for (int reg = startRegister; reg < end; ++reg) {
        const RuleRange* range = RangeOf(reg);
        if (range == nullptr) continue;
        if (range->rule == Word16) {
            if (auto* place = record.RawMutable(reg, 2)) Swap16(place);
        } else if (range->rule == Pair32) {
            // A pair is converted once, from its first register, and only when the
            // block holds both of its halves.
            const bool startsPair = (reg - range->first) % 2 == 0;
            if (!startsPair || reg + 1 >= end) continue;
            if (auto* place = record.RawMutable(reg, 4)) Reorder32(place, byteOrderMode);
        }
    }
}

bool PollOnce(CDMRJly& link, int meterKind, LiveShared& shared) {
    // Read once per cycle: a byte order the user changes applies from the next cycle.
    const int byteOrderMode = LoadSerialSettings().byteOrderMode;

    bool everyBlockRead = true;
    for (const LiveBlock& block : LiveBlocksOf(meterKind)) {
        std::array<std::uint8_t, kReadBufferBytes> received{};
        if (link.ReadRegisters(block.startRegister, block.byteCount, received.data()) == 0) {
            everyBlockRead = false;
            // Nothing more can be read from a vanished device, nor after a stop request.
            if (link.DeviceGone() || link.Stopped()) break;
            continue;
        }

        std::lock_guard lock(shared.LiveMutex);
        std::uint8_t* place = shared.working.RawMutable(block.startRegister, block.byteCount);
        if (place == nullptr) continue;
        std::memcpy(place, received.data(), block.byteCount);
        ConvertLiveBlock(shared.working, block.startRegister, block.byteCount, byteOrderMode);
    }

    std::lock_guard lock(shared.LiveMutex);
    shared.snapshot = shared.working;
    if (!link.Stopped()) {
        shared.health.lastCycleGood = everyBlockRead;
        if (everyBlockRead) shared.health.lastGoodCycle = std::chrono::steady_clock::now();
    }
    return everyBlockRead;
}

}  // namespace kelvo
