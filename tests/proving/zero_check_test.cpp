// SPDX-License-Identifier: GPL-3.0-or-later
// The zero check against watches worked out by hand: the verdict a technician reads, with
// failed cycles missing (never zeros) and too few good ones giving no verdict at all.

#include <gtest/gtest.h>

#include <vector>

#include "history/history_samples.h"
#include "proving/zero_check.h"

namespace kelvo {
namespace {

using test::Good;

// `count` cycles a second apart from 0 ms: flows alternating +a, -a around `mean`, and
// every `failEvery`-th cycle failed (0: none).
std::vector<CycleSample> Watch(int count, float mean, float a, int failEvery = 0) {
    std::vector<CycleSample> samples;
    for (int i = 0; i < count; ++i) {
        const std::int64_t t = i * 1000;
        if (failEvery > 0 && i % failEvery == failEvery - 1) {
            samples.push_back(FailedSample(t));
        } else {
            samples.push_back(Good(t, mean + (i % 2 == 0 ? a : -a)));
        }
    }
    return samples;
}

TEST(ZeroCheck, VerdictsAgainstTheLimits) {
    struct Case {
        const char* what;
        std::vector<CycleSample> samples;
        double range;
        std::size_t expected;
        ZeroVerdict verdict;
        std::size_t good, missing;
        double meanPercent;  // of the range
        std::string reason;  // "" : not compared
    };
    const std::vector<Case> cases = {
        {"a still zero: mean 0.1 of 100 m3/h", Watch(60, 0.1F, 0.05F), 100, 60, ZeroVerdict::Pass, 60, 0, 0.1,
         "零点平均值与标准偏差均在限值之内。"},
        {"an offset of 0.8 % of the range", Watch(60, 0.8F, 0.05F), 100, 60, ZeroVerdict::Fail, 60, 0, 0.8,
         "零点平均值为量程的 0.800 %，超出限值 ±0.500 %。"},
        {"a negative offset counts by its size", Watch(60, -0.6F, 0), 100, 60, ZeroVerdict::Fail, 60, 0, -0.6, ""},
        {"a restless zero: the spread beyond the limit", Watch(60, 0, 0.7F), 100, 60, ZeroVerdict::Fail, 60, 0, 0,
         ""},
        {"every fourth cycle failed: 45 good of 60, below 80 %", Watch(60, 0, 0, 4), 100, 60,
         ZeroVerdict::TooFewCycles, 45, 15, 0, "有效周期 45 个（预计 60 个，缺失 15 个），不足以判定零点。"},
        {"every fifth cycle failed: 48 good of 60, 80 % exactly", Watch(60, 0.2F, 0, 5), 100, 60, ZeroVerdict::Pass,
         48, 12, 0.2, ""},
        {"failed cycles are missing, not zeros: the mean stays the meter's", Watch(50, 0.8F, 0, 10), 100, 50,
         ZeroVerdict::Fail, 45, 5, 0.8, ""},
        {"the line delivered fewer cycles than the watch expected", Watch(40, 0, 0), 100, 60,
         ZeroVerdict::TooFewCycles, 40, 0, 0, ""},
        {"nine good cycles are too few whatever was expected", Watch(9, 0, 0), 100, 0, ZeroVerdict::TooFewCycles, 9,
         0, 0, ""},
        {"no range: no share of it", Watch(60, 0.1F, 0), 0, 60, ZeroVerdict::Undecided, 60, 0, 0,
         "仪表的流量量程不大于 0，无法按量程的百分比判定零点。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ZeroCheck check = CheckZero(test::HistoryOf(c.samples), {.fromMs = 0, .toMs = 3600000}, c.range, c.expected);
        EXPECT_EQ(check.verdict, c.verdict) << check.reason;
        EXPECT_EQ(check.statistics.goodCycles, c.good);
        EXPECT_EQ(check.statistics.missingCycles, c.missing);
        EXPECT_NEAR(check.statistics.meanPercent.value_or(0), c.meanPercent, 1e-5);
        EXPECT_EQ(check.statistics.unit, "m3/h");
        if (!c.reason.empty()) {
            EXPECT_EQ(check.reason, c.reason);
        }
    }

    // A flow unit changed within the watch: no mean across two units.
    std::vector<CycleSample> mixed = Watch(30, 0, 0);
    for (int i = 30; i < 60; ++i) mixed.push_back(Good(i * 1000, 0, 0, 0));
    const ZeroCheck check = CheckZero(test::HistoryOf(mixed), {.fromMs = 0, .toMs = 60000}, 100, 60);
    EXPECT_EQ(check.verdict, ZeroVerdict::Undecided);
    EXPECT_EQ(VerdictText(check.verdict), "无法判定");
}

}  // namespace
}  // namespace kelvo
