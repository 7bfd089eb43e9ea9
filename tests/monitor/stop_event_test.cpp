// The manual-reset event that ends the polling thread between cycles.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "monitor/stop_event.h"

namespace kelvo {
namespace {

using std::chrono::milliseconds;

TEST(StopEvent, StaysSetUntilReset) {
    StopEvent event;
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.WaitFor(milliseconds(1)));

    event.Set();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(event.IsSet());
        EXPECT_TRUE(event.WaitFor(milliseconds(0))) << "a wait does not consume the event";
    }

    event.Reset();
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.WaitFor(milliseconds(1)));
}

TEST(StopEvent, SetWakesAWaiter) {
    StopEvent event;
    bool woken = false;
    std::thread waiter([&] { woken = event.WaitFor(std::chrono::minutes(1)); });
    event.Set();
    waiter.join();
    EXPECT_TRUE(woken);
}

}  // namespace
}  // namespace kelvo
