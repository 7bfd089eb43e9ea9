// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/proving_report.h"

#include <algorithm>
#include <span>
#include <vector>

#include "proving/proving_text.h"
#include "records/meter_record.h"
#include "records/report_html.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

using report_html::Cell;
using report_html::Escaped;
using report_html::kTable;

// The zero as found and as left side by side, row by row.
void Zero(std::string& html, const ProvingRecord& proving) {
    const std::optional<ZeroCheckRecord>* columns[] = {&proving.zeroAsFound, &proving.zeroAsLeft};
    std::vector<std::pair<std::string_view, std::vector<std::string>>> rows = {
        {"开始时间", {}}, {"结束时间", {}}, {"时长", {}}};
    for (const auto* column : columns) {
        const std::optional<ZeroCheckRecord>& zero = *column;
        rows[0].second.push_back(zero ? TimeText(zero->startMs) : "—");
        rows[1].second.push_back(zero ? TimeText(zero->endMs) : "—");
        rows[2].second.push_back(zero ? FixedText(zero->DurationSeconds(), 1) + " s" : "—");
        const auto statistics = zero ? ZeroRows(zero->check) : ZeroRows(ZeroCheck{});
        for (std::size_t i = 0; i < statistics.size(); ++i) {
            if (rows.size() < 3 + statistics.size()) rows.push_back({statistics[i].first, {}});
            rows[3 + i].second.push_back(zero ? statistics[i].second : "—");
        }
    }
    html += "<h3>零点检查</h3>" + std::string(kTable) + "<tr><th>项目</th><th>调零前</th><th>调零后</th></tr>";
    for (const auto& [label, values] : rows) {
        html += "<tr>" + Cell(label, "th");
        for (const std::string& value : values) html += Cell(value);
        html += "</tr>";
    }
    html += "</table>";
}

std::string Reference(const RunRecord& record) {
    std::string text = record.referenceText;
    if (const std::string_view unit = TextAt(VolumeUnits, record.referenceUnit); !unit.empty()) {
        text += " " + std::string(unit);
    }
    if (record.referenceUnit != record.run.unit) text += "（= " + VolumeText(record.run.reference, record.run.unit) + "）";
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
        html += "<tr>" + Cell(std::to_string(i + 1)) + Cell(TimeText(record.startMs)) +
                Cell(FixedText(run.durationSeconds, 1) + " s") + Cell(TotalText(record.startTotal)) +
                Cell(TotalText(record.endTotal)) + Cell(VolumeText(run.Measured(), run.unit)) + Cell(Reference(record)) +
                Cell(ErrorText(run)) + Cell(MeterFactorText(run)) + Cell(PercentText(run.resolutionPercent)) +
                Cell(run.tooShort ? kTooShortText : "") + "</tr>";
    }
    html += "</table>";
    if (const auto summary = Summarise(runs)) {
        // A run too short to judge within the tolerance leaves the set without a verdict.
        const bool anyTooShort = std::any_of(runs.begin(), runs.end(), [](const VerificationRun& r) { return r.tooShort; });
        const std::string_view verdict = anyTooShort                          ? "无法判定（有核查过短）"
                                         : summary->WithinTolerance(tolerance) ? "合格"
                                                                               : "不合格";
        html += "<p>" + std::to_string(summary->runs) + " 次核查：平均误差 " +
                Escaped(FixedText(summary->meanErrorPercent, 3, true)) + " %，重复性 " +
                Escaped(FixedText(summary->repeatabilityPercent, 3)) + " %，允许误差 ±" +
                Escaped(FixedText(tolerance, 3)) + " %：" + std::string(verdict) + "</p>";
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
