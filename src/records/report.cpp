// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/report.h"

#include <array>
#include <string_view>

#include "meter/meter_identity.h"
#include "meter/shared_parameters.h"
#include "pages/page_catalog.h"
#include "records/proving_report.h"
#include "records/report_html.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

using report_html::Cell;
using report_html::Escaped;
using report_html::kTable;

// The labels of the live display's fields, in their order (LiveField).
constexpr std::array<std::string_view, kLiveFieldCount> kLiveLabels = {
    shared_parameters::kFlow.label,         shared_parameters::kVelocity.label,
    shared_parameters::kFlowPercent.label,  shared_parameters::kMt.label,
    shared_parameters::kForwardTotal.label, shared_parameters::kReverseTotal.label,
    shared_parameters::kAlarm.label,        shared_parameters::kHeatPower.label,
    shared_parameters::kSupplyTemperature.label, shared_parameters::kReturnTemperature.label,
    shared_parameters::kHeatTotal.label,    shared_parameters::kColdTotal.label,
};

void Identity(std::string& html, const ReportContent& content) {
    const MeterRecord& record = *content.record;
    const std::pair<std::string_view, std::string> rows[] = {
        {"仪表类型", std::string(MeterKindText(record.meterKind))},
        {"型号", record.model},
        {"版本", record.version},
        {"仪表标识", record.identification},
        {"参数读取时间", record.taken},
        {"技术员", content.technician},
        {"现场", content.site},
        {"报告日期", content.date},
        {"Kelvo 版本", record.kelvoVersion},
    };
    html += std::string(kTable);
    for (const auto& [label, value] : rows) html += "<tr>" + Cell(label, "th") + Cell(value) + "</tr>";
    html += "</table>";
}

void Pages(std::string& html, const MeterRecord& record) {
    for (const PageDefinition* page : PageDefinitionsOf(record.meterKind)) {
        html += "<h2>" + Escaped(page->tabTitle) + "</h2>" + std::string(kTable) + "<tr><th>参数</th><th>值</th><th>单位</th></tr>";
        for (const ParamRow& row : page->rows) {
            const RecordedValue* value = record.Find(row.name);
            if (value == nullptr) continue;
            html += "<tr>" + Cell(value->label) + Cell(value->value) + Cell(value->unit) + "</tr>";
        }
        html += "</table>";
    }
}

void Live(std::string& html, const LiveTexts& live) {
    html += "<h2>实时数据</h2>" + std::string(kTable) + "<tr><th>项目</th><th>值</th></tr>";
    for (std::size_t i = 0; i < live.size(); ++i) {
        if (!live[i].empty()) html += "<tr>" + Cell(kLiveLabels[i]) + Cell(live[i]) + "</tr>";
    }
    html += "</table>";
}

void Comparing(std::string& html, const Comparison& comparison) {
    html += "<h2>参数对比</h2><p>" + Escaped(comparison.leftTitle) + " 与 " + Escaped(comparison.rightTitle) + "：共 " +
            std::to_string(comparison.differences) + " 处不同。</p>";
    html += std::string(kTable) + "<tr><th>参数</th><th>" + Escaped(comparison.leftTitle) + "</th><th>" +
            Escaped(comparison.rightTitle) + "</th><th>单位</th><th>结果</th></tr>";
    for (const CompareRow& row : comparison.rows) {
        const bool differs = row.verdict != CompareVerdict::Same;
        html += std::string(differs ? "<tr class=\"differs\">" : "<tr>") + Cell(row.label) + Cell(row.left) +
                Cell(row.right) + Cell(row.unit) + Cell(VerdictText(row.verdict)) + "</tr>";
    }
    html += "</table>";
}

}  // namespace

std::string ReportHtml(const ReportContent& content) {
    std::string html =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>调试报告</title><style>"
        // DejaVu Sans first: the Latin text and the ℃ sign, which WenQuanYi's glyph does not
        // carry into a PDF; the Chinese text then falls to WenQuanYi (Linux) or YaHei (Windows).
        "body{font-family:'DejaVu Sans','WenQuanYi Micro Hei','Microsoft YaHei',sans-serif;font-size:10pt}"
        "table{border-collapse:collapse;margin-bottom:8pt}th,td{border:1px solid #888;padding:2pt 6pt;text-align:left}"
        "tr.differs td{color:#c00000;font-weight:bold}"
        "</style></head><body><h1>调试报告</h1>";
    if (content.record != nullptr) {
        Identity(html, content);
        Pages(html, *content.record);
    }
    if (content.live) Live(html, *content.live);
    if (content.comparison != nullptr) Comparing(html, *content.comparison);
    const ProvingRecord* proving = content.proving;
    if (proving == nullptr && content.record != nullptr && content.record->proving) proving = &*content.record->proving;
    if (proving != nullptr) html += ProvingHtml(*proving);
    return html + "</body></html>";
}

}  // namespace kelvo
