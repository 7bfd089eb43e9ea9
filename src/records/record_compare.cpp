// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/record_compare.h"

#include "meter/value_format.h"
#include "records/record_parameters.h"

namespace kelvo {
namespace {

// The value a record holds, as the meter means it; falls back to the text the file
// carries when its registers cannot be decoded.
std::string Meaning(const MeterRecord& record, const ParamRow& parameter) {
    if (const auto value = record.Decoded(parameter)) return ValueText(parameter, *value);
    const RecordedValue* recorded = record.Find(parameter.name);
    return recorded != nullptr ? recorded->value : std::string{};
}

// The unit a record keeps beside a value; empty for a file written before units were
// recorded with their meter's unit registers.
std::string_view RecordedUnit(const MeterRecord& record, const ParamRow& parameter) {
    const RecordedValue* recorded = record.Find(parameter.name);
    return recorded != nullptr ? std::string_view(recorded->unit) : std::string_view{};
}

}  // namespace

Comparison Compare(const MeterRecord& left, const MeterRecord& right) {
    Comparison comparison;
    comparison.kindsDiffer = left.meterKind != right.meterKind;
    for (const ParamRow* parameter : RecordedParameters(left.meterKind)) {
        const bool inLeft = left.Find(parameter->name) != nullptr;
        const bool inRight = !comparison.kindsDiffer && right.Find(parameter->name) != nullptr;
        if (!inLeft && !inRight) continue;
        CompareRow row{.name = std::string(parameter->name),
                       .label = std::string(parameter->label),
                       .left = inLeft ? Meaning(left, *parameter) : std::string{},
                       .right = inRight ? Meaning(right, *parameter) : std::string{},
                       .unit = {}};
        const std::string_view leftUnit = RecordedUnit(left, *parameter);
        const std::string_view rightUnit = inRight ? RecordedUnit(right, *parameter) : std::string_view{};
        if (!leftUnit.empty() && !rightUnit.empty() && leftUnit != rightUnit) {
            // The same number in two units (a range of 20 m3/h against 20 L/s) is no same
            // value: each side carries its own unit.
            row.left += " " + std::string(leftUnit);
            row.right += " " + std::string(rightUnit);
        } else {
            row.unit = !leftUnit.empty() ? leftUnit : !rightUnit.empty() ? rightUnit : UnitOf(*parameter);
        }
        if (!inRight) {
            row.verdict = CompareVerdict::OnlyLeft;
        } else if (!inLeft) {
            row.verdict = CompareVerdict::OnlyRight;
        } else {
            row.verdict = row.left == row.right ? CompareVerdict::Same : CompareVerdict::Different;
        }
        if (row.verdict != CompareVerdict::Same) ++comparison.differences;
        comparison.rows.push_back(std::move(row));
    }
    return comparison;
}

std::string_view VerdictText(CompareVerdict verdict) {
    switch (verdict) {
        case CompareVerdict::Same: return "相同";
        case CompareVerdict::Different: return "不同";
        case CompareVerdict::OnlyLeft: return "仅左侧有";
        case CompareVerdict::OnlyRight: return "仅右侧有";
    }
    return "";
}

}  // namespace kelvo
