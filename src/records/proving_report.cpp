#include "records/proving_report.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <functional>
#include <span>
#include <vector>

#include "records/meter_record.h"
#include "records/report_html.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

using report_html::Cell;
using report_html::Escaped;
using report_html::kTable;

// Numbers as to_chars writes them, with a point whatever the locale.
std::string Fixed(double value, int decimals, bool sign = false) {
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, decimals);
    std::string out(text.data(), result.ptr);
    return sign && value >= 0 ? "+" + out : out;
}

std::string Shortest(double value) {
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return std::string(text.data(), result.ptr);
}

// The minimum and maximum are values the meter sent, single floats: shown as it sent them.
std::string Sent(double value) {
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), static_cast<float>(value));
    return std::string(text.data(), result.ptr);
}

std::string WithUnit(const std::string& value, std::string_view unit) {
    return unit.empty() ? value : value + " " + std::string(unit);
}

std::string Percent(const std::optional<double>& value) { return value ? Fixed(*value, 3) + " %" : "—"; }

std::string TotalText(const TotalReading& total) {
    char text[48];
    std::snprintf(text, sizeof text, "%d.%03d", total.whole, total.thousandths);
    return WithUnit(text, TextAt(VolumeUnits, total.unit));
}

void Zero(std::string& html, const ProvingRecord& proving) {
    const std::optional<ZeroCheckRecord>* columns[] = {&proving.zeroAsFound, &proving.zeroAsLeft};
    using Row = std::function<std::string(const ZeroCheckRecord&)>;
    const auto stat = [](double ZeroStatistics::*field) {
        return Row([field](const ZeroCheckRecord& z) {
            const ZeroStatistics& s = z.check.statistics;
            return s.goodCycles > 0 ? WithUnit(Fixed(s.*field, 4), s.unit) : "—";
        });
    };
    const std::pair<std::string_view, Row> rows[] = {
        {"开始时间", [](const ZeroCheckRecord& z) { return TimeText(z.startMs); }},
        {"结束时间", [](const ZeroCheckRecord& z) { return TimeText(z.endMs); }},
        {"时长", [](const ZeroCheckRecord& z) { return Fixed(z.DurationSeconds(), 1) + " s"; }},
        {"有效周期",
         [](const ZeroCheckRecord& z) {
             const ZeroStatistics& s = z.check.statistics;
             return std::to_string(s.goodCycles) + "（预计 " + std::to_string(s.expectedCycles) + "）";
         }},
        {"缺失周期", [](const ZeroCheckRecord& z) { return std::to_string(z.check.statistics.missingCycles); }},
        {"平均值", stat(&ZeroStatistics::mean)},
        {"标准偏差", stat(&ZeroStatistics::standardDeviation)},
        {"最小值",
         [](const ZeroCheckRecord& z) {
             const ZeroStatistics& s = z.check.statistics;
             return s.goodCycles > 0 ? WithUnit(Sent(s.minimum), s.unit) : "—";
         }},
        {"最大值",
         [](const ZeroCheckRecord& z) {
             const ZeroStatistics& s = z.check.statistics;
             return s.goodCycles > 0 ? WithUnit(Sent(s.maximum), s.unit) : "—";
         }},
        {"流量量程", [](const ZeroCheckRecord& z) { return WithUnit(Shortest(z.check.statistics.range), z.check.statistics.unit); }},
        {"平均值占量程", [](const ZeroCheckRecord& z) { return Percent(z.check.statistics.meanPercent); }},
        {"标准偏差占量程", [](const ZeroCheckRecord& z) { return Percent(z.check.statistics.deviationPercent); }},
        {"限值",
         [](const ZeroCheckRecord& z) {
             const ZeroLimits& l = z.check.limits;
             return "平均值 ≤ ±" + Fixed(l.meanPercent, 3) + " % 量程，标准偏差 ≤ " + Fixed(l.deviationPercent, 3) +
                    " % 量程，有效周期 ≥ " + Fixed(l.goodSharePercent, 0) + " % 且 ≥ " +
                    std::to_string(l.minimumGoodCycles);
         }},
        {"结论", [](const ZeroCheckRecord& z) { return std::string(VerdictText(z.check.verdict)); }},
        {"说明", [](const ZeroCheckRecord& z) { return z.check.reason; }},
    };
    html += "<h3>零点检查</h3>" + std::string(kTable) + "<tr><th>项目</th><th>调零前</th><th>调零后</th></tr>";
    for (const auto& [label, text] : rows) {
        html += "<tr>" + Cell(label, "th");
        for (const auto* column : columns) html += Cell(*column ? text(**column) : "—");
        html += "</tr>";
    }
    html += "</table>";
}

std::string Reference(const RunRecord& record) {
    std::string text = WithUnit(record.referenceText, TextAt(VolumeUnits, record.referenceUnit));
    if (record.referenceUnit != record.run.unit) {
        text += "（= " + WithUnit(Fixed(record.run.reference, 3), TextAt(VolumeUnits, record.run.unit)) + "）";
    }
    return text;
}

void Runs(std::string& html, std::string_view phase, std::span<const RunRecord> records, double tolerance) {
    if (records.empty()) return;
    html += "<h3>流量核查（" + Escaped(phase) + "）</h3>" + std::string(kTable) +
            "<tr><th>序号</th><th>开始时间</th><th>时长</th><th>开始累积</th><th>结束累积</th><th>测得体积</th>"
            "<th>参考体积</th><th>误差</th><th>仪表系数</th><th>分辨率占比</th><th>备注</th></tr>";
    std::vector<VerificationRun> runs;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RunRecord& record = records[i];
        const VerificationRun& run = record.run;
        runs.push_back(run);
        const std::string_view unit = TextAt(VolumeUnits, run.unit);
        html += "<tr>" + Cell(std::to_string(i + 1)) + Cell(TimeText(record.startMs)) +
                Cell(Fixed(run.durationSeconds, 1) + " s") + Cell(TotalText(record.startTotal)) +
                Cell(TotalText(record.endTotal)) + Cell(WithUnit(Fixed(run.Measured(), 3), unit)) +
                Cell(Reference(record)) + Cell(Fixed(run.errorPercent, 3, true) + " %") +
                Cell(run.meterFactor ? Fixed(*run.meterFactor, 5) : "—") + Cell(Percent(run.resolutionPercent)) +
                Cell(run.tooShort ? "核查过短，分辨率超过允许误差的十分之一" : "") + "</tr>";
    }
    html += "</table>";
    if (const auto summary = Summarise(runs)) {
        html += "<p>" + std::to_string(summary->runs) + " 次核查：平均误差 " +
                Escaped(Fixed(summary->meanErrorPercent, 3, true)) + " %，重复性 " +
                Escaped(Fixed(summary->repeatabilityPercent, 3)) + " %，允许误差 ±" + Escaped(Fixed(tolerance, 3)) +
                " %：" + (summary->WithinTolerance(tolerance) ? "合格" : "不合格") + "</p>";
    }
}

void Factor(std::string& html, const FactorChange& factor) {
    html += "<h3>传感器系数修正</h3>" + std::string(kTable) + "<tr>" + Cell("修正前", "th") + Cell(factor.beforeText) +
            "</tr><tr>" + Cell("修正后（读回）", "th") + Cell(factor.afterText) + "</tr><tr>" + Cell("修正时间", "th") +
            Cell(TimeText(factor.timeMs)) + "</tr></table>";
}

}  // namespace

std::string ProvingHtml(const ProvingRecord& proving) {
    std::string html = "<h2>零点检查与流量核查</h2>";
    if (proving.zeroAsFound || proving.zeroAsLeft) Zero(html, proving);
    Runs(html, "修正前", proving.runsAsFound, proving.tolerancePercent);
    Runs(html, "修正后", proving.runsAsLeft, proving.tolerancePercent);
    if (proving.factor) Factor(html, *proving.factor);
    return html;
}

}  // namespace kelvo
