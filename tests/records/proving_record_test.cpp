// SPDX-License-Identifier: GPL-3.0-or-later
// A proving visit in the commissioning record and the report: what the file keeps comes
// back as it was written, a file from before proving reads as one without it, a damaged
// proving section is named rather than read as numbers, and the report shows the values
// with their units.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/meter_record.h"
#include "records/report.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

constexpr int kLitres = 0;
constexpr int kCubicMetres = 1;
constexpr std::int64_t kT0 = 1765432100000;  // a wall-clock time, ms

ZeroCheckRecord Zero(std::int64_t startMs, ZeroVerdict verdict, double mean, std::optional<double> meanPercent,
                     std::size_t good, std::size_t missing) {
    ZeroCheckRecord zero{.startMs = startMs, .endMs = startMs + 60000, .check = {}};
    zero.check.verdict = verdict;
    zero.check.reason = "原因；含分号与 % 号";
    zero.check.statistics = {.goodCycles = good, .missingCycles = missing, .expectedCycles = 60, .mean = mean,
                             .standardDeviation = 0.0123, .minimum = -0.05F, .maximum = 0.1F, .unit = "m3/h",
                             .range = 100, .meanPercent = meanPercent, .deviationPercent = meanPercent ? 0.0123 : 0};
    if (!meanPercent) zero.check.statistics.deviationPercent.reset();
    return zero;
}

// A run as the dialog makes it: from the totals, the duration and the typed reference.
RunRecord TimedRun(std::int64_t startMs, TotalReading start, TotalReading end, double seconds, const char* typed,
              double reference, int referenceUnit, double tolerance) {
    const std::vector<TotalReading> totals = {start, end};
    return {.startMs = startMs, .endMs = startMs + static_cast<std::int64_t>(seconds * 1000), .startTotal = start,
            .endTotal = end, .referenceText = typed, .referenceValue = reference, .referenceUnit = referenceUnit,
            .run = *EvaluateRun(totals, seconds, {reference, referenceUnit}, tolerance).run};
}

MeterRecord Record(std::optional<ProvingRecord> proving) {
    MeterRecord record;
    record.meterKind = kGenericMeter;
    record.kelvoVersion = "test";
    record.taken = "2026-12-09 12:34:56";
    record.model = "RA03";
    record.version = "2004";
    record.values.push_back({.name = "time_constant", .label = "时间常数", .reg = 142, .raw = {0, 4}, .value = "4",
                             .unit = "s"});
    record.proving = std::move(proving);
    return record;
}

TEST(ProvingRecord, KeptInTheRecordFileAndShownInTheReport) {
    ProvingRecord full;
    full.tolerancePercent = 0.5;
    full.zeroAsFound = Zero(kT0, ZeroVerdict::Fail, 0.8, 0.8, 60, 0);
    full.zeroAsLeft = Zero(kT0 + 120000, ZeroVerdict::Pass, -0.01, -0.01, 58, 2);
    full.runsAsFound = {TimedRun(kT0 + 300000, {1234, 567, kCubicMetres}, {1236, 608, kCubicMetres}, 20, "2", 2,
                            kCubicMetres, 0.5),
                        TimedRun(kT0 + 400000, {1236, 608, kCubicMetres}, {1238, 649, kCubicMetres}, 20.25, "2000", 2000,
                            kLitres, 0.5)};
    full.runsAsLeft = {TimedRun(kT0 + 600000, {1240, 0, kCubicMetres}, {1242, 1, kCubicMetres}, 20, "2", 2, kCubicMetres,
                           0.5)};
    full.factor = FactorChange{.before = 1, .after = 0.97991, .beforeText = "1.00000", .afterText = "0.97991",
                               .timeMs = kT0 + 500000};

    ProvingRecord fewCycles;
    fewCycles.tolerancePercent = 1;
    fewCycles.zeroAsFound = Zero(kT0, ZeroVerdict::TooFewCycles, 0, std::nullopt, 0, 60);
    // 0.5 m3 in thousandths: a resolution of 0.2 %, above a tenth of the tolerance of 1 %.
    fewCycles.runsAsFound = {TimedRun(kT0 + 100000, {10, 0, kCubicMetres}, {10, 500, kCubicMetres}, 60, "0.49", 0.49,
                                      kCubicMetres, 1)};

    struct Case {
        const char* what;
        std::optional<ProvingRecord> proving;
        std::vector<std::string> shown;  // in the report's HTML
    };
    const std::vector<Case> cases = {
        {"as found and as left, with the factor corrected",
         full,
         {"零点检查与流量核查", "<th>调零前</th><th>调零后</th>", "0.8000 m3/h", "0.0123 m3/h", "-0.05 m3/h", "0.1 m3/h",
          "100 m3/h", "0.800 %", "不合格", "合格", "60.0 s", "1234.567 m3", "1236.608 m3", "2.041 m3",
          "<td>2 m3</td>", "+2.050 %", "0.97991", "2000 L（= 2.000 m3）", "20.2 s", "流量核查（修正前）",
          "流量核查（修正后）", "+0.050 %", "2 次核查：平均误差 +2.050 %，重复性 0.000 %，允许误差 ±0.500 %：不合格",
          "1 次核查：平均误差 +0.050 %，重复性 0.000 %，允许误差 ±0.500 %：合格", "<td>1.00000</td>",
          "<td>0.97991</td>", "修正前", "修正后（读回）"}},
        {"a zero check with no good cycle and a run too short: no numbers, no verdicts",
         fewCycles,
         {"有效数据不足", "<th>平均值</th><td>—</td><td>—</td>", "0（预计 60）", "0.200 %",
          "核查过短，分辨率超过允许误差的十分之一", "允许误差 ±1.000 %：无法判定（有核查过短）"}},
        {"no proving visit: the record as before", std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const MeterRecord record = Record(c.proving);
        const RecordRead read = ParseRecord(RecordText(record));
        ASSERT_TRUE(read.record) << read.problem;
        EXPECT_EQ(read.record->proving, record.proving);
        EXPECT_EQ(*read.record, record);

        const std::string html = ReportHtml({.record = &*read.record, .technician = "张工", .site = "", .date = "",
                                             .live = std::nullopt, .comparison = nullptr});
        EXPECT_EQ(html.find("零点检查与流量核查") != std::string::npos, c.proving.has_value());
        for (const std::string& text : c.shown) EXPECT_NE(html.find(text), std::string::npos) << text;
    }

    // A file cut short in its proving section, or with a run whose totals went backwards by
    // hand: the file is refused with the place named, never read with made-up numbers.
    const std::string text = RecordText(Record(full));
    const std::pair<std::string, std::string> damaged[] = {
        {"RunsAsLeft=1", "RunsAsLeft=2"},
        {"EndTotal=1236.608", "EndTotal=1230.608"},
        {"MeanLimitPercent=0.5", "MeanLimitPercent=abc"},
    };
    const std::string problems[] = {
        "记录文件中 [Proving.RunAsLeft.2] 的 StartMs 缺失或不是有效的值。",
        "记录文件中 [Proving.RunAsFound.1] 的核查数据无法计算：核查中正向累积由 1234.567 变为 1230.608 m3，变小了（累积被清零或已溢出回零），本次核查作废。",
        "记录文件中 [Proving.ZeroAsFound] 的 MeanLimitPercent 缺失或不是有效的值。",
    };
    for (std::size_t i = 0; i < std::size(damaged); ++i) {
        std::string changed = text;
        const auto at = changed.find(damaged[i].first);
        ASSERT_NE(at, std::string::npos) << damaged[i].first;
        changed.replace(at, damaged[i].first.size(), damaged[i].second);
        const RecordRead read = ParseRecord(changed);
        EXPECT_FALSE(read.record);
        EXPECT_EQ(read.problem, problems[i]);
    }
}

}  // namespace
}  // namespace kelvo
