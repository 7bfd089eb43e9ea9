#include "monitor/live_polling.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "link/byte_order.h"
#include "link/modbus_rtu.h"

namespace kelvo {

namespace {

using enum RegisterRule;

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


void ConvertLiveBlock(LiveRecord& record, std::uint16_t startRegister, std::uint16_t byteCount,
                      int byteOrderMode) {
    const int end = startRegister + byteCount / 2;
    for (int reg = startRegister; reg < end; ++reg) {
        const auto range = LiveRuleRangeOf(reg);
        if (!range) continue;
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

bool PollOnce(CDMRJly& link, int meterKind, LiveShared& shared, int byteOrderMode) {
    bool everyBlockRead = true;
    for (const LiveBlock& block : LiveBlocksOf(meterKind)) {
        std::array<std::uint8_t, kReadBufferBytes> received{};
        if (!link.ReadRegisters(block.startRegister, block.byteCount, received.data())) {
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
        if (everyBlockRead) {
            shared.health.lastGoodCycle = std::chrono::steady_clock::now();
            shared.health.goodCycleSeen = true;
        }
    }
    return everyBlockRead;
}

}  // namespace kelvo
