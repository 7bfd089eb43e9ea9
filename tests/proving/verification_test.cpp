// SPDX-License-Identifier: GPL-3.0-or-later
// The arithmetic of a verification run against cases worked out by hand: the volume the
// forward total grew by, exactly in thousandths, the error and the meter factor against the
// reference in any volume unit, the total's resolution against the tolerance, and no number
// at all where the total went backwards or changed its unit.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "proving/verification.h"

namespace kelvo {
namespace {

constexpr int kLitres = 0;
constexpr int kCubicMetres = 1;
constexpr int kKilograms = 2;
constexpr int kGallons = 4;

TotalReading M3(std::int32_t whole, std::int32_t thousandths, int unit = kCubicMetres) {
    return {.whole = whole, .thousandths = thousandths, .unit = unit};
}

TEST(VerificationRun, HandComputedRuns) {
    struct Case {
        const char* what;
        std::vector<TotalReading> readings;
        double seconds;
        ReferenceVolume reference;
        double tolerance;
        std::int64_t measured;  // thousandths
        double errorPercent;
        double meterFactor;     // 0: none
        double resolutionPercent;  // 0: none
        bool tooShort;
    };
    const std::vector<Case> cases = {
        {"2.041 m3 against 2 m3", {M3(1234, 567), M3(1236, 608)}, 20, {2.0, kCubicMetres}, 0.5, 2041,
         2.05, 0.979911808, 0.0489955904, false},
        {"a reference 2 % above the meter", {M3(100, 0), M3(102, 0)}, 20, {2.04, kCubicMetres}, 0.5, 2000,
         -1.96078431, 1.02, 0.05, false},
        {"0.5 m3 against 490 L: too short for 0.5 %", {M3(7, 250), M3(7, 750)}, 60, {490, kLitres}, 0.5, 500,
         2.04081633, 0.98, 0.2, true},
        {"1 m3 against 264.172 US gallons", {M3(10, 0), M3(11, 0)}, 60, {264.172, kGallons}, 0.5, 1000,
         0.0000198197, 0.999999802, 0.1, true},
        {"one thousandth short of the resolution limit", {M3(0, 0), M3(1, 999)}, 60, {2, kCubicMetres}, 0.5, 1999,
         -0.05, 1.00050025, 0.0500250125, true},
        {"exact where a float is not: 3647.998 m3 near the top of the range",
         {M3(2147480000, 1), M3(2147483647, 999)}, 3600, {3648, kCubicMetres}, 0.5, 3647998, -0.0000548246,
         1.00000055, 0.0000274123, false},
        {"polled readings between them that grow", {M3(5, 0), M3(5, 400), M3(5, 400), M3(6, 0)}, 30,
         {1, kCubicMetres}, 2, 1000, 0, 1, 0.1, false},
        {"nothing flowed", {M3(5, 0), M3(5, 0)}, 30, {1, kCubicMetres}, 0.5, 0, -100, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunResult result = EvaluateRun(c.readings, c.seconds, c.reference, c.tolerance);
        ASSERT_TRUE(result.run) << result.problem;
        const VerificationRun& run = *result.run;
        EXPECT_EQ(run.measuredThousandths, c.measured);
        EXPECT_NEAR(run.errorPercent, c.errorPercent, 1e-8);
        EXPECT_NEAR(run.meterFactor.value_or(0), c.meterFactor, 1e-8);
        EXPECT_NEAR(run.resolutionPercent.value_or(0), c.resolutionPercent, 1e-9);
        EXPECT_EQ(run.tooShort, c.tooShort);
    }
}

TEST(VerificationRun, NoNumberWhereTheRunCannotBeTrusted) {
    struct Case {
        const char* what;
        std::vector<TotalReading> readings;
        double seconds;
        ReferenceVolume reference;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {"cleared mid-run", {M3(1234, 567), M3(1235, 0), M3(0, 12), M3(0, 500)}, 60, {1, kCubicMetres},
         "核查中正向累积由 1235.000 变为 0.012 m3，变小了（累积被清零或已溢出回零），本次核查作废。"},
        {"rolled over", {M3(99999999, 900), M3(0, 100)}, 60, {1, kCubicMetres},
         "核查中正向累积由 99999999.900 变为 0.100 m3，变小了（累积被清零或已溢出回零），本次核查作废。"},
        {"its unit changed", {M3(10, 0), M3(10, 500, kLitres), M3(11, 0)}, 60, {1, kCubicMetres},
         "核查中仪表的累积单位由 m3 变为 L，本次核查作废。"},
        {"thousandths the meter cannot hold", {M3(10, 0), M3(10, 1000)}, 60, {1, kCubicMetres},
         "正向累积的千分位 1000 不在 0 至 999 之间，不是有效的累积值，本次核查作废。"},
        {"only the start", {M3(10, 0)}, 60, {1, kCubicMetres}, "缺少开始或结束时的正向累积读数，无法计算。"},
        {"no reference", {M3(10, 0), M3(11, 0)}, 60, {0, kCubicMetres}, "参考体积必须大于 0。"},
        {"no time", {M3(10, 0), M3(11, 0)}, 0, {1, kCubicMetres}, "核查时长必须大于 0。"},
        {"a reference beyond the doubles once converted", {M3(10, 0, kLitres), M3(11, 0, kLitres)}, 60,
         {1e308, kCubicMetres}, "参考体积换算为 L 后超出可计算的范围。"},
        {"a mass against a volume", {M3(10, 0), M3(11, 0)}, 60, {1000, kKilograms},
         "参考体积的单位 kg 不能换算为仪表的累积单位 m3（质量与体积之间的换算需要密度）。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunResult result = EvaluateRun(c.readings, c.seconds, c.reference);
        EXPECT_FALSE(result.run);
        EXPECT_EQ(result.problem, c.problem);
    }
}

TEST(VerificationRun, MeanFlowInTheFlowUnitAndTheRunsTogether) {
    const RunResult result = EvaluateRun(std::vector{M3(1234, 567), M3(1236, 608)}, 20, {2.0, kCubicMetres});
    ASSERT_TRUE(result.run);
    // 2.041 m3 in 20 s: in m3/h, L/s, m3/min; none in kg/h, t/h or beyond the list.
    const std::pair<int, double> flows[] = {{5, 367.38}, {0, 102.05}, {4, 6.123}, {8, 0}, {11, 0}, {18, 0}};
    for (const auto& [flowUnit, flow] : flows) {
        EXPECT_NEAR(MeanFlow(*result.run, flowUnit).value_or(0), flow, 1e-9) << flowUnit;
    }

    // 2.004, 1.998 and 2.001 m3 against 2 m3 each: +0.2 %, -0.1 %, +0.05 %.
    std::vector<VerificationRun> runs;
    for (const std::int32_t end : {2004, 1998, 2001}) {
        runs.push_back(*EvaluateRun(std::vector{M3(0, 0), M3(end / 1000, end % 1000)}, 20, {2, kCubicMetres}).run);
    }
    const auto summary = Summarise(runs);
    ASSERT_TRUE(summary);
    EXPECT_NEAR(summary->meanErrorPercent, 0.05, 1e-9);
    EXPECT_NEAR(summary->repeatabilityPercent, 0.3, 1e-9);
    EXPECT_EQ(summary->measuredThousandths, 6003);
    EXPECT_TRUE(summary->WithinTolerance(0.06) && !summary->WithinTolerance(0.04));
    runs[1].unit = kLitres;
    EXPECT_FALSE(Summarise(runs)) << "runs in different units are no set";
}

}  // namespace
}  // namespace kelvo
