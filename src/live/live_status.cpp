// SPDX-License-Identifier: GPL-3.0-or-later
#include "live/live_status.h"

#include "link/modbus_rtu.h"
#include "link/serial_port.h"
#include "link/wire_time.h"
#include "messages/failure_text.h"

namespace kelvo {

namespace {

using std::chrono::milliseconds;

constexpr int kRequestBytes = 8;
constexpr int kReadAnswerOverhead = 5;  // address, function code, byte count, CRC (2)

}  // namespace

milliseconds GoodCycleTime(int meterKind, int baudRate, int parity) {
    const ReadTimeouts timeouts = TimeoutsForBaud(baudRate);
    // Without an interval timeout a read always waits out its total timeout.
    const milliseconds readEnd(timeouts.intervalMs >= 0 ? timeouts.intervalMs : timeouts.totalMs);
    milliseconds total = kPauseBetweenCycles;
    for (const RegisterSpan& block : LiveBlocksOf(meterKind)) {
        total += std::chrono::round<milliseconds>(
            WireTime(kRequestBytes + kReadAnswerOverhead + block.bytes, baudRate, parity));
        total += milliseconds(kReadPauseMs) + readEnd;
    }
    return total;
}

LiveStatus DescribeLiveStatus(const LinkHealth& health, std::chrono::steady_clock::time_point now,
                              milliseconds goodCycleTime) {
    const auto sinceGood = now - health.lastGoodCycle;
    if (health.lastCycleGood && health.portOpen && sinceGood <= goodCycleTime + kStaleMargin) return {};
    const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceGood).count();
    std::string text = "通讯中断 " + std::to_string(seconds < 0 ? 0 : seconds) + " 秒";
    if (!health.portOpen) text += "，" + std::string(LineGoneText(health.linkType));
    return {.stale = true, .text = std::move(text)};
}

}  // namespace kelvo
