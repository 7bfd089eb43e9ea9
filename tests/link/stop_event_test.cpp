// SPDX-License-Identifier: GPL-3.0-or-later
// The manual-reset event that ends the job on the line and every wait of its link.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#endif

#include <chrono>
#include <thread>

#include "link/stop_event.h"

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

// What the serial port waits on beside the line: poll() on the descriptor on Linux,
// WaitForMultipleObjects on the event object on Windows.
TEST(StopEvent, ItsDescriptorIsReadableExactlyWhileSet) {
    StopEvent event;
#ifdef _WIN32
    ASSERT_NE(event.Handle(), nullptr);
    const auto readable = [&event] { return WaitForSingleObject(event.Handle(), 0) == WAIT_OBJECT_0; };
#else
    ASSERT_GE(event.Fd(), 0);
    const auto readable = [&event] {
        pollfd entry{event.Fd(), POLLIN, 0};
        return poll(&entry, 1, 0) > 0;
    };
#endif
    EXPECT_FALSE(readable());
    event.Set();
    event.Set();
    EXPECT_TRUE(readable());
    EXPECT_TRUE(readable()) << "polling does not consume it";
    event.Reset();
    EXPECT_FALSE(readable());
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
