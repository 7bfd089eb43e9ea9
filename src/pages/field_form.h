// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Value fields bound to controls by id: the one place where values are shown in their
// controls and typed text is read back with the standard field checks. The parameter
// pages and the tabs of the presets dialog both work through it.

#include <cstddef>
#include <optional>
#include <span>

#include "pages/page_controls.h"
#include "pages/page_definition.h"
#include "meter/value_codec.h"

namespace kelvo {

class Prompter;

// Refreshes every control from its field, in row order.
void ShowFields(std::span<const ParamRow> rows, std::span<const FieldValue> values, PageControls& controls);

// Refreshes every field from its control, in row order. A control whose text does not
// parse shows "请输入一个数字。" or "请输入一个整数。" and ends the capture: that field and
// the ones after it keep their values. A value outside the row's range is taken, then
// its range prompt ends the capture. Returns the row whose prompt was shown.
std::optional<std::size_t> CaptureFields(std::span<const ParamRow> rows, std::span<FieldValue> values,
                                         const PageControls& controls, Prompter& prompter);

}  // namespace kelvo
