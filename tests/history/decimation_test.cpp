// SPDX-License-Identifier: GPL-3.0-or-later
// What a chart of the history draws: each column's true extremes, and lines that stop at
// gaps and at unit changes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "history/decimation.h"
#include "history_samples.h"

namespace kelvo {
namespace {

using test::Good;

constexpr std::array<SeriesId, 1> kFlowOnly = {SeriesId::Flow};

TEST(Decimation, EachColumnShowsItsTrueMinimumAndMaximum) {
    // A day of cycles at one a second, with one spike that a thinned sample would miss.
    std::vector<CycleSample> samples;
    for (int i = 0; i < 86400; ++i) samples.push_back(Good(1000LL * i, static_cast<float>(std::sin(i / 500.0))));
    samples[43217].floats[0] = 9.5F;
    const HistoryView view = test::HistoryOf(samples);
    constexpr int kColumns = 700;
    const TimeSpan day{.fromMs = 0, .toMs = 86400000};

    const Decimation drawn = Decimate(view, kFlowOnly, day, kColumns);
    ASSERT_EQ(drawn.series.size(), 1U);
    ASSERT_EQ(drawn.series[0].pieces.size(), 1U) << "no gap, no unit change: one line";
    std::vector<double> low(kColumns, 1e9);
    std::vector<double> high(kColumns, -1e9);
    for (const CycleSample& sample : samples) {
        const auto column = static_cast<std::size_t>(sample.timeMs * kColumns / day.Length());
        low[column] = std::min(low[column], double{sample.floats[0]});
        high[column] = std::max(high[column], double{sample.floats[0]});
    }
    std::vector<double> drawnLow(kColumns, 1e9);
    std::vector<double> drawnHigh(kColumns, -1e9);
    std::int64_t previous = -1;
    for (const DrawnPoint& point : drawn.series[0].pieces[0].points) {
        ASSERT_GT(point.timeMs, previous) << "points in time order";
        previous = point.timeMs;
        const auto column = static_cast<std::size_t>(point.timeMs * kColumns / day.Length());
        drawnLow[column] = std::min(drawnLow[column], point.value);
        drawnHigh[column] = std::max(drawnHigh[column], point.value);
    }
    EXPECT_EQ(drawnLow, low);
    EXPECT_EQ(drawnHigh, high);
    EXPECT_LE(drawn.series[0].pieces[0].points.size(), 2U * kColumns);
}

TEST(Decimation, ALineStopsAtAGapItCanShowAndAtEveryUnitChange) {
    // One character a cycle, a second apart: g good, F failed, B good after a break of the
    // line, u good in L/s instead of m3/h, n a flow the meter sent as NaN.
    struct Case {
        const char* cycles;
        int columns;  // over the cycles' ten seconds
        std::vector<std::size_t> pieceSizes;
        std::size_t failedColumns;
    };
    const std::vector<Case> cases = {
        {"gggggggggg", 10, {10}, 0},
        {"ggggFggggg", 10, {4, 5}, 1},
        // Narrower than a column: listed, not drawn apart. Five cycles a column show as
        // their lowest and highest.
        {"ggggFggggg", 2, {4}, 1},
        {"ggggFFgggg", 1, {2}, 1},
        {"ggggBggggg", 20, {4, 6}, 0},
        {"ggggnggggg", 10, {4, 5}, 0},
        {"gggguuuuuu", 1, {2, 2}, 0},  // a unit change splits even one column
        {"FFFFFFFFFF", 10, {}, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cycles) + " on " + std::to_string(c.columns));
        std::vector<CycleSample> samples;
        const std::string cycles = c.cycles;
        for (std::size_t i = 0; i < cycles.size(); ++i) {
            const auto timeMs = static_cast<std::int64_t>(1000 * i);
            // 0 2 4 1 3 0 2 4 1 3: up and down.
            const auto value = static_cast<float>((i * 7) % 5);
            switch (cycles[i]) {
                case 'F': samples.push_back(FailedSample(timeMs)); break;
                case 'B':
                    samples.push_back(Good(timeMs, value));
                    samples.back().breakBefore = true;
                    break;
                case 'u': samples.push_back(Good(timeMs, value, 0, 0)); break;
                case 'n': samples.push_back(Good(timeMs, std::numeric_limits<float>::quiet_NaN())); break;
                default: samples.push_back(Good(timeMs, value)); break;
            }
        }
        const Decimation drawn = Decimate(test::HistoryOf(samples), kFlowOnly, {.fromMs = 0, .toMs = 10000}, c.columns);
        std::vector<std::size_t> sizes;
        for (const DrawnPiece& piece : drawn.series[0].pieces) sizes.push_back(piece.points.size());
        EXPECT_EQ(sizes, c.pieceSizes);
        EXPECT_EQ(drawn.failedColumns.size(), c.failedColumns);
    }
}

TEST(Decimation, TheLineRunsOnToTheCyclesJustOutsideTheSpan) {
    const HistoryView view = test::HistoryOf({Good(0, 1.0F), Good(5000, 2.0F), Good(9000, 3.0F), FailedSample(12000),
                                              Good(30000, 4.0F)});
    const Decimation drawn = Decimate(view, kFlowOnly, {.fromMs = 4000, .toMs = 10000}, 6);
    ASSERT_EQ(drawn.series[0].pieces.size(), 1U);
    std::vector<std::int64_t> times;
    for (const DrawnPoint& point : drawn.series[0].pieces[0].points) times.push_back(point.timeMs);
    EXPECT_EQ(times, (std::vector<std::int64_t>{0, 5000, 9000})) << "the cycle after the failed one is not joined";
}

}  // namespace
}  // namespace kelvo
