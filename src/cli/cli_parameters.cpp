// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_parameters.h"

#include <algorithm>
#include <ostream>

#include "cli/cli_line.h"
#include "messages/failure_text.h"
#include "messages/prompter.h"
#include "meter/value_format.h"
#include "records/record_parameters.h"

namespace kelvo::cli {

std::optional<std::vector<const ParamRow*>> ParametersNamed(const std::vector<std::string>& names, int meterKind,
                                                            std::ostream& err) {
    const std::vector<const ParamRow*> known = RecordedParameters(meterKind);
    std::vector<const ParamRow*> rows;
    std::string unknown;
    for (const std::string& name : names) {
        const auto found =
            std::find_if(known.begin(), known.end(), [&name](const ParamRow* row) { return row->name == name; });
        if (found != known.end()) {
            rows.push_back(*found);
        } else {
            unknown += (unknown.empty() ? "" : "、") + name;
        }
    }
    if (unknown.empty()) return rows;
    err << "kelvo-cli：" << KindText(meterKind) << "没有这些参数：" << unknown
        << "。参数名即备份文件中各节的名称（kelvo-cli backup）。\n";
    return std::nullopt;
}

bool AnyDependsOnEncoding(const std::vector<const ParamRow*>& rows) {
    return std::any_of(rows.begin(), rows.end(), [](const ParamRow* row) { return row->DependsOnEncoding(); });
}

std::string IdentifyFailureText(const IdentificationRead& identified) {
    if (identified.Unsupported()) return std::string(kMeterNotSupportedText);
    if (identified.result) return {};
    return "读取仪表串号失败！" + FailureDetail(identified.result);
}

std::string ValueWithUnit(const Parameter& parameter, const FieldValue& value) {
    const std::string_view unit = UnitOf(parameter);
    return ValueText(parameter, value) + (unit.empty() ? "" : " " + std::string(unit));
}

}  // namespace kelvo::cli
