// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A parameter's value as a person reads and types it outside a page: in backup files,
// compare views, reports and on the command line. The same forms the page controls show
// ("20", "m3/h", "00012345", "2026-12-09 12:34:56").

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "meter/live_record.h"
#include "meter/parameter.h"
#include "meter/value_codec.h"

namespace kelvo {

// The value as its control shows it; a list shows its item (nothing for no selection).
std::string ValueText(const Parameter& parameter, const FieldValue& value);

// Typed text back to a value: a list takes an item's text or its index, numbers as the
// edit boxes take them, a clock "YYYY-MM-DD HH:MM:SS" in local time. nullopt when the
// text is none of these.
std::optional<FieldValue> ParseValueText(const Parameter& parameter, std::string_view text);

// The unit a value is shown in, taken from its label's last parentheses ("m/s" of
// "流速上限(m/s)"); empty when the label names none.
std::string_view UnitOf(const Parameter& parameter);

using RowBytes = std::array<std::uint8_t, 8>;

// The value of the registers of one parameter, as they came (wire order).
FieldValue DecodeWire(const Parameter& parameter, const std::uint8_t* wire, const CodecContext& context);

// The wire bytes of `value`, or why it cannot be sent: out of range, not for this meter, or
// a value the registers would hold otherwise (70000 in one register, 1.2345 with three
// decimals) — what the meter would keep is then said. The checks of a page's write, and
// one more: what is sent decodes to the value as it is shown.
std::optional<std::string> Unsendable(const Parameter& parameter, const FieldValue& value, const CodecContext& context,
                                      RowBytes& wire);

// The parameter whose registers hold the unit `parameter` is shown in (the flow unit of a
// flow range, the totals unit of a total); nullptr for a unit its label names.
const Parameter* UnitParameterOf(const Parameter& parameter);

// The unit as the pages and the live display show it: from the meter's unit registers in
// `units` (host order) where the unit is the meter's, else from the label. A unit register
// outside its table gives no unit, and a flow unit needs both of its halves.
std::string UnitText(const Parameter& parameter, const LiveRecord& units);

}  // namespace kelvo
