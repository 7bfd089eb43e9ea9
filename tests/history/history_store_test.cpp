// SPDX-License-Identifier: GPL-3.0-or-later
// The history of a connection: what it keeps, what it lets go, and that a reader's view
// never changes under it, also when the clock is set.

#include <gtest/gtest.h>

#include <vector>

#include "history/history_store.h"
#include "history_samples.h"

namespace kelvo {
namespace {

using test::Good;

std::vector<std::int64_t> TimesOf(const HistoryView& view) {
    std::vector<std::int64_t> times;
    for (std::size_t i = 0; i < view.Size(); ++i) times.push_back(view[i].timeMs);
    return times;
}

TEST(HistoryStore, KeepsEveryCycleWithinItsBoundsAndTheOldestGo) {
    struct Case {
        const char* what;
        HistoryLimits limits;
        int cycles;
        std::size_t kept;
    };
    const std::vector<Case> cases = {
        {"all of a short connection", {}, 100, 100},
        {"the newest of a count", {.maxAge = std::chrono::hours(24), .maxCount = 10}, 25, 10},
        {"the last five seconds", {.maxAge = std::chrono::seconds(5), .maxCount = 1000}, 25, 6},
        {"across the chunks of the store", {.maxAge = std::chrono::hours(24), .maxCount = 5000}, 3 * 4096 + 7, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HistoryStore store(c.limits);
        store.Begin(kW58Meter, true);
        for (int i = 0; i < c.cycles; ++i) {
            // Every third cycle failed: a gap is kept as one.
            store.Append(i % 3 == 2 ? FailedSample(1000LL * i) : Good(1000LL * i, static_cast<float>(i)), 1000LL * i);
        }
        const HistoryView view = store.Take();
        ASSERT_EQ(view.Size(), c.kept);
        const auto first = static_cast<std::size_t>(c.cycles) - c.kept;
        for (std::size_t i = 0; i < view.Size(); ++i) {
            ASSERT_EQ(view[i].timeMs, 1000LL * static_cast<std::int64_t>(first + i));
            ASSERT_EQ(view[i].Good(), (first + i) % 3 != 2);
        }
    }
}

TEST(HistoryStore, AClockSetOnTheComputerBreaksTheLineAndKeepsTheTimesInOrder) {
    struct Case {
        const char* what;
        std::int64_t wallStep;  // of the last cycle, while the steady clock goes on by 1 s
        std::vector<std::int64_t> times;
        bool breakBefore;
    };
    const std::vector<Case> cases = {
        {"a clock going on", 1000, {0, 1000, 2000, 3000, 4000}, false},
        {"set an hour ahead", 3600000, {0, 1000, 2000, 3000, 3603000}, true},
        {"set 2.5 s back: the cycles it now lies before go", -2500, {0, 500}, true},
        {"set back before the first cycle", -10000, {-7000}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HistoryStore store;
        store.Begin(kGenericMeter, false);
        for (int i = 0; i < 4; ++i) store.Append(Good(1000LL * i, 1.0F), 1000LL * i);
        const HistoryView before = store.Take();
        store.Append(Good(3000 + c.wallStep, 2.0F), 4000);

        const HistoryView after = store.Take();
        EXPECT_EQ(TimesOf(after), c.times);
        EXPECT_EQ(after[after.Size() - 1].breakBefore, c.breakBefore);
        EXPECT_EQ(TimesOf(before), (std::vector<std::int64_t>{0, 1000, 2000, 3000})) << "a view taken stays as it was";
    }
}

TEST(HistoryStore, ANewConnectionStartsANewHistory) {
    HistoryStore store;
    store.Begin(kW58Meter, true);
    store.Append(Good(0, 1.0F), 0);
    const HistoryView first = store.Take();
    const std::uint64_t revision = store.Revision();

    store.Begin(kGenericMeter, false);
    const HistoryView second = store.Take();
    EXPECT_TRUE(second.Empty());
    EXPECT_EQ(second.MeterKind(), kGenericMeter);
    EXPECT_FALSE(second.MeasuresHeat());
    EXPECT_NE(second.Generation(), first.Generation());
    EXPECT_NE(store.Revision(), revision);
    EXPECT_EQ(first.Size(), 1U) << "the view of the old history is still whole";
}

}  // namespace
}  // namespace kelvo
