// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the live values on screen are live. A meter that stops answering, or an
// adapter that is unplugged, must not leave the last values looking current.

#include <chrono>
#include <string>

#include "live/live_polling.h"

namespace kelvo {

// How much later than a good cycle would have ended the values count as no longer live.
inline constexpr std::chrono::milliseconds kStaleMargin{2000};

struct LiveStatus {
    bool stale = false;
    std::string text;  // e.g. "通讯中断 12 秒"; empty while the values are live
};

// The time one good polling cycle takes at the baud rate: for every block the request
// and the answer on the wire, the pause after the request and the interval timeout the
// read waits out after the last byte; then the pause before the next cycle. A W58 meter
// at 2400 baud needs about 3.2 s, a generic meter at 9600 baud about 0.9 s.
std::chrono::milliseconds GoodCycleTime(int meterKind, int baudRate, int parity);

// Stale when the last cycle that ran to its end was not good (some block was not read),
// or when no good cycle has ended for goodCycleTime + kStaleMargin, as while a cycle
// waits for a silent meter. The text counts the whole seconds since the last good cycle
// and says when the port itself is gone.
LiveStatus DescribeLiveStatus(const LinkHealth& health, std::chrono::steady_clock::time_point now,
                              std::chrono::milliseconds goodCycleTime);

}  // namespace kelvo
