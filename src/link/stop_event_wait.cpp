// SPDX-License-Identifier: GPL-3.0-or-later
// What the stop does alike on every platform: the flag, and a wait that looks at it
// between the platform's waits for the signal.

#include "link/stop_event.h"

#include <algorithm>

namespace kelvo {

bool StopEvent::IsSet() const { return set_.load(); }

bool StopEvent::WaitFor(std::chrono::milliseconds timeout) const {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (set_.load()) return true;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) return false;
        // In steps short enough for poll()'s int and below Windows' INFINITE, however long the wait.
        if (WaitForSignal(std::min(left, std::chrono::milliseconds(std::chrono::hours(1))))) return true;
    }
}

}  // namespace kelvo
