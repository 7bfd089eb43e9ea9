// SPDX-License-Identifier: GPL-3.0-or-later
#include "proving/zero_check.h"

#include <cmath>
#include <cstdio>

#include "history/statistics.h"

namespace kelvo {
namespace {

std::string Percent(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f %%", value);
    return text;
}

// The verdict on statistics that have enough good cycles and a range.
void Judge(ZeroCheck& check) {
    const ZeroStatistics& s = check.statistics;
    std::string exceeded;
    if (std::fabs(*s.meanPercent) > check.limits.meanPercent) {
        exceeded = "零点平均值为量程的 " + Percent(*s.meanPercent) + "，超出限值 ±" + Percent(check.limits.meanPercent);
    }
    if (*s.deviationPercent > check.limits.deviationPercent) {
        if (!exceeded.empty()) exceeded += "；";
        exceeded += "标准偏差为量程的 " + Percent(*s.deviationPercent) + "，超出限值 " + Percent(check.limits.deviationPercent);
    }
    check.verdict = exceeded.empty() ? ZeroVerdict::Pass : ZeroVerdict::Fail;
    check.reason = exceeded.empty() ? "零点平均值与标准偏差均在限值之内。" : exceeded + "。";
}

}  // namespace

ZeroCheck CheckZero(const HistoryView& view, TimeSpan span, double range, std::size_t expectedCycles,
                    const ZeroLimits& limits) {
    const SeriesStatistics flow = Statistics(view, SeriesId::Flow, span);
    ZeroCheck check;
    check.limits = limits;
    ZeroStatistics& s = check.statistics;
    s.range = range;
    s.missingCycles = flow.failedCycles + flow.notNumbers;
    for (const UnitStatistics& unit : flow.units) s.goodCycles += unit.count;
    s.expectedCycles = expectedCycles > 0 ? expectedCycles : s.goodCycles + s.missingCycles;
    if (flow.Mixed()) {
        check.verdict = ZeroVerdict::Undecided;
        check.reason = "检查中仪表的流量单位改变了，数据不能合在一起计算。";
        return check;
    }
    if (!flow.units.empty()) {
        const UnitStatistics& unit = flow.units.front();
        s.unit = unit.unit;
        s.mean = unit.mean;
        s.standardDeviation = unit.standardDeviation;
        s.minimum = unit.minimum;
        s.maximum = unit.maximum;
        if (std::isfinite(range) && range > 0) {
            s.meanPercent = unit.mean / range * 100.0;
            s.deviationPercent = unit.standardDeviation / range * 100.0;
        }
    }
    const double needed = std::ceil(static_cast<double>(s.expectedCycles) * limits.goodSharePercent / 100.0);
    if (s.goodCycles < limits.minimumGoodCycles || static_cast<double>(s.goodCycles) < needed) {
        check.verdict = ZeroVerdict::TooFewCycles;
        check.reason = "有效周期 " + std::to_string(s.goodCycles) + " 个（预计 " + std::to_string(s.expectedCycles) +
                       " 个，缺失 " + std::to_string(s.missingCycles) + " 个），不足以判定零点。";
        return check;
    }
    if (!s.meanPercent) {
        check.verdict = ZeroVerdict::Undecided;
        check.reason = "仪表的流量量程不大于 0，无法按量程的百分比判定零点。";
        return check;
    }
    Judge(check);
    return check;
}

std::string_view VerdictText(ZeroVerdict verdict) {
    switch (verdict) {
        case ZeroVerdict::Pass: return "合格";
        case ZeroVerdict::Fail: return "不合格";
        case ZeroVerdict::TooFewCycles: return "有效数据不足";
        case ZeroVerdict::Undecided: break;
    }
    return "无法判定";
}

}  // namespace kelvo
