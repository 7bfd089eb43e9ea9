// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// When a read of the port ends by its timeouts: `totalMs` after it began, or `intervalMs`
// after the last byte once one came. Both serial ports count it here, so that the timeout
// table means the same on Linux and on Windows.

#include <algorithm>
#include <chrono>

#include "link/transport.h"

namespace kelvo {

using PortClock = std::chrono::steady_clock;

// Whole milliseconds until `deadline`, 0 once it has passed. Rounded up, so that a wait
// never ends a hair early and spins.
inline int MillisecondsUntil(PortClock::time_point deadline) {
    const auto left = deadline - PortClock::now();
    if (left <= PortClock::duration::zero()) return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

class ReadDeadline {
public:
    explicit ReadDeadline(ReadTimeouts timeouts)
        : intervalMs_(timeouts.intervalMs), total_(PortClock::now() + std::chrono::milliseconds(timeouts.totalMs)) {}

    // What is left of the read's time; 0 once it is up.
    int RemainingMs() const {
        PortClock::time_point deadline = total_;
        if (byteCame_ && intervalMs_ >= 0) {
            deadline = std::min(deadline, lastByte_ + std::chrono::milliseconds(intervalMs_));
        }
        return MillisecondsUntil(deadline);
    }
    // Bytes have arrived: the interval counts from now.
    void BytesCame() {
        lastByte_ = PortClock::now();
        byteCame_ = true;
    }

private:
    int intervalMs_;
    PortClock::time_point total_;
    PortClock::time_point lastByte_{};
    bool byteCame_ = false;
};

}  // namespace kelvo
