// SPDX-License-Identifier: GPL-3.0-or-later
#include "pages/field_form.h"

#include <string>

#include "messages/prompter.h"
#include "meter/value_text.h"

namespace kelvo {
namespace {

bool OutsideRange(const ParamRow& row, double value) {
    return row.range && (value < row.range->min || value > row.range->max);
}

}  // namespace

void ShowFields(std::span<const ParamRow> rows, std::span<const FieldValue> values, PageControls& controls) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        const auto& value = values[i];
        switch (row.control) {
            case Control::List: controls.SetSelection(row.controlId, static_cast<int>(value.integer)); break;
            case Control::IntEdit: controls.SetText(row.controlId, std::to_string(value.integer)); break;
            case Control::DecimalEdit: controls.SetText(row.controlId, FormatGeneral(value.real, 15)); break;
            case Control::FloatEdit:
                controls.SetText(row.controlId, FormatGeneral(static_cast<float>(value.real), 6));
                break;
            case Control::DigitsEdit: controls.SetText(row.controlId, FormatMeterNumber(value.integer)); break;
            case Control::DateTime:
                controls.SetDateTime(row.controlId, value.integer);
                controls.SetDateTime(row.secondControlId, value.integer2);
                break;
        }
    }
}

std::optional<std::size_t> CaptureFields(std::span<const ParamRow> rows, std::span<FieldValue> values,
                                         const PageControls& controls, Prompter& prompter) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        auto& value = values[i];
        if (row.alwaysDisabled) continue;  // shown only, never sent
        switch (row.control) {
            case Control::List: value.integer = controls.Selection(row.controlId); break;
            case Control::DateTime:
                value.integer = controls.DateTime(row.controlId);
                value.integer2 = controls.DateTime(row.secondControlId);
                break;
            case Control::IntEdit:
            case Control::DigitsEdit: {
                const auto parsed = ParseInteger(controls.Text(row.controlId));
                if (!parsed) {
                    prompter.Warn(kEnterIntegerText);
                    return i;
                }
                value.integer = *parsed;  // kept even when the range check below fails
                if (OutsideRange(row, static_cast<double>(*parsed))) {
                    prompter.Warn(RangePrompt(row, *row.range));
                    return i;
                }
                break;
            }
            case Control::DecimalEdit:
            case Control::FloatEdit: {
                const auto parsed = ParseDecimal(controls.Text(row.controlId));
                if (!parsed) {
                    prompter.Warn(kEnterNumberText);
                    return i;
                }
                value.real = row.control == Control::FloatEdit ? static_cast<double>(static_cast<float>(*parsed)) : *parsed;
                if (OutsideRange(row, value.real)) {
                    prompter.Warn(RangePrompt(row, *row.range));
                    return i;
                }
                break;
            }
        }
    }
    return std::nullopt;
}

}  // namespace kelvo
