// SPDX-License-Identifier: GPL-3.0-or-later
#include "live/live_polling.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "link/modbus_rtu.h"
#include "meter/value_codec.h"

namespace kelvo {

namespace {

// Every block fits the local buffer a read goes to.
constexpr int kReadBufferBytes = 256;

}  // namespace

bool PollOnce(CDMRJly& link, int meterKind, LiveShared& shared, int byteOrderMode) {
    const RegisterMap& map = RegisterMapOf(meterKind);
    bool everyBlockRead = true;
    for (const RegisterSpan& block : LiveBlocksOf(meterKind)) {
        std::array<std::uint8_t, kReadBufferBytes> received{};
        if (block.bytes > received.size()) continue;
        if (!link.ReadRegisters(block.start, block.bytes, received.data())) {
            everyBlockRead = false;
            // Nothing more can be read from a vanished device, nor after a stop request.
            if (link.DeviceGone() || link.Stopped()) break;
            continue;
        }

        std::lock_guard lock(shared.LiveMutex);
        PlaceWireBytes(shared.working, block.start, received.data(), block.bytes, map.parameters, byteOrderMode);
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
