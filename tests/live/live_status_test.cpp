// SPDX-License-Identifier: GPL-3.0-or-later
// When the live values stop being live, and the line that says so.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "live/live_status.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

TEST(LiveStatus, StaleWhenACycleFailedOrAGoodOneIsOverdue) {
    const Clock::time_point now{std::chrono::hours(5)};
    const milliseconds goodCycle{900};
    const struct {
        const char* what;
        milliseconds sinceGood;
        bool lastCycleGood;
        bool portOpen;
        LiveStatus expected;
    } cases[] = {
        {"good cycles", milliseconds(400), true, true, {}},
        {"a cycle under way, still in time", milliseconds(2900), true, true, {}},
        {"a cycle waiting for a silent meter", milliseconds(2901), true, true, {true, "通讯中断 2 秒"}},
        {"a block was not read", milliseconds(1200), false, true, {true, "通讯中断 1 秒"}},
        {"the device has gone", milliseconds(12500), false, false, {true, "通讯中断 12 秒，串口已断开"}},
        {"the device came back, no good cycle yet", milliseconds(14000), false, true, {true, "通讯中断 14 秒"}},
    };
    for (const auto& c : cases) {
        const LinkHealth health{.lastGoodCycle = now - c.sinceGood, .lastCycleGood = c.lastCycleGood,
                                .portOpen = c.portOpen};
        const LiveStatus status = DescribeLiveStatus(health, now, goodCycle);
        EXPECT_EQ(status.stale, c.expected.stale) << c.what;
        EXPECT_EQ(status.text, c.expected.text) << c.what;
    }
}

TEST(LiveStatus, AGoodCycleTakesItsWireTimePausesAndIntervalTimeouts) {
    // W58 at 2400 baud, even parity: three answers of 205, 181 and 31 bytes.
    EXPECT_EQ(GoodCycleTime(kW58Meter, 2400, 2), milliseconds(3171));
    EXPECT_EQ(GoodCycleTime(kGenericMeter, 9600, 0), milliseconds(888));
    // A rate without an interval timeout waits out every read's total timeout.
    EXPECT_GT(GoodCycleTime(kGenericMeter, 600, 0), milliseconds(4 * 500));
}

}  // namespace
}  // namespace kelvo
