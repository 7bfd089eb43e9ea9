// SPDX-License-Identifier: GPL-3.0-or-later
// Statistics over a span: what a technician reads off beside the chart, and what the zero
// check builds on.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "history/statistics.h"
#include "history_samples.h"

namespace kelvo {
namespace {

using test::Good;

TEST(Statistics, CountsTheValuesTheMeterSentPerUnit) {
    struct Expected {
        const char* unit;
        std::size_t count;
        double minimum, maximum, mean, deviation;
    };
    struct Case {
        const char* what;
        std::vector<CycleSample> samples;
        std::vector<Expected> units;
        std::size_t failed;
    };
    const std::vector<Case> cases = {
        {"values and failed cycles, which are missing and never zero",
         {Good(0, 2), FailedSample(1000), Good(2000, 4), Good(3000, 4), FailedSample(4000), Good(5000, 4), Good(6000, 5),
          Good(7000, 5), Good(8000, 7), Good(9000, 9)},
         {{"m3/h", 8, 2, 9, 5, std::sqrt(32.0 / 7)}},
         2},
        {"a single value", {Good(0, 1.5F)}, {{"m3/h", 1, 1.5, 1.5, 1.5, 0}}, 0},
        {"the flow unit changed: two results, never one mean",
         {Good(0, 10, 1, 2), Good(1000, 20, 1, 2), Good(2000, 3, 0, 0), Good(3000, 5, 0, 0)},
         {{"m3/h", 2, 10, 20, 15, std::sqrt(50.0)}, {"L/s", 2, 3, 5, 4, std::sqrt(2.0)}},
         0},
        {"cycles outside the span do not count", {Good(-1000, 100), Good(10000, 100)}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SeriesStatistics statistics =
            Statistics(test::HistoryOf(c.samples), SeriesId::Flow, {.fromMs = 0, .toMs = 10000});
        EXPECT_EQ(statistics.failedCycles, c.failed);
        EXPECT_EQ(statistics.Mixed(), c.units.size() > 1);
        ASSERT_EQ(statistics.units.size(), c.units.size());
        for (std::size_t i = 0; i < c.units.size(); ++i) {
            const UnitStatistics& got = statistics.units[i];
            EXPECT_EQ(got.unit, c.units[i].unit);
            EXPECT_EQ(got.count, c.units[i].count);
            EXPECT_DOUBLE_EQ(got.minimum, c.units[i].minimum);
            EXPECT_DOUBLE_EQ(got.maximum, c.units[i].maximum);
            EXPECT_DOUBLE_EQ(got.mean, c.units[i].mean);
            EXPECT_NEAR(got.standardDeviation, c.units[i].deviation, 1e-12);
        }
    }
}

TEST(Statistics, StayExactOnTotalsFarFromZero) {
    // A forward total near its end of range, counting up a thousandth a cycle: the naive
    // sum of squares loses every digit here.
    std::vector<CycleSample> samples;
    for (int i = 0; i < 1000; ++i) {
        CycleSample sample = Good(1000LL * i, 0);
        sample.totals[InfoOf(SeriesId::ForwardTotal).slot] = 2147483000000LL + i;
        samples.push_back(sample);
    }
    const SeriesStatistics statistics =
        Statistics(test::HistoryOf(samples), SeriesId::ForwardTotal, {.fromMs = 0, .toMs = 1000000});
    ASSERT_EQ(statistics.units.size(), 1U);
    EXPECT_EQ(statistics.units[0].unit, "m3");
    EXPECT_NEAR(statistics.units[0].mean, 2147483000.4995, 1e-6);
    // The deviation of 0, 1, … 999 thousandths.
    EXPECT_NEAR(statistics.units[0].standardDeviation, std::sqrt(1000.0 * 1001 / 12) / 1000, 1e-6);
}

TEST(Statistics, ALongHistoryCountsAsEachOfItsCyclesWould) {
    // Long enough for whole blocks of the store, with failed cycles, a NaN and a unit change.
    std::vector<CycleSample> samples;
    std::vector<std::vector<long double>> units(2);
    const TimeSpan span{.fromMs = 10'500, .toMs = 4'900'000};  // not on the bounds of a block
    for (int i = 0; i < 5000; ++i) {
        const std::int64_t timeMs = 1000LL * i;
        const float flow = i == 1234 ? std::nanf("") : 10.0F + static_cast<float>((i * 37) % 101) / 7.0F;
        samples.push_back(i % 777 == 5 ? FailedSample(timeMs) : Good(timeMs, flow, i < 3000 ? 1 : 0, i < 3000 ? 2 : 0));
        if (samples.back().Good() && i != 1234 && timeMs >= span.fromMs && timeMs < span.toMs) {
            units[i < 3000 ? 0 : 1].push_back(flow);
        }
    }
    const SeriesStatistics got = Statistics(test::HistoryOf(samples), SeriesId::Flow, span);
    EXPECT_EQ(got.failedCycles, 6U);
    EXPECT_EQ(got.notNumbers, 1U);
    ASSERT_EQ(got.units.size(), 2U);
    for (std::size_t u = 0; u < 2; ++u) {
        const std::vector<long double>& values = units[u];
        long double sum = 0;
        for (const long double v : values) sum += v;
        const long double mean = sum / values.size();
        long double squares = 0;
        for (const long double v : values) squares += (v - mean) * (v - mean);
        EXPECT_EQ(got.units[u].count, values.size());
        EXPECT_EQ(got.units[u].minimum, static_cast<double>(*std::min_element(values.begin(), values.end())));
        EXPECT_EQ(got.units[u].maximum, static_cast<double>(*std::max_element(values.begin(), values.end())));
        EXPECT_NEAR(got.units[u].mean, static_cast<double>(mean), 1e-12);
        EXPECT_NEAR(got.units[u].standardDeviation, static_cast<double>(std::sqrt(squares / (values.size() - 1))),
                    1e-12);
    }
}

}  // namespace
}  // namespace kelvo
