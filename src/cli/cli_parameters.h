#pragma once
// What `read` and `write` share: parameters found by their names, the identification that
// tells how the meter encodes some of them, and values moved between text and registers.

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "link/modbus_rtu.h"
#include "meter/meter_identity.h"
#include "meter/value_codec.h"
#include "pages/page_definition.h"

namespace kelvo::cli {

// The parameters of the kind named `names`, in their order; nullopt when a name is none
// of them (all such names said on `err`).
std::optional<std::vector<const ParamRow*>> ParametersNamed(const std::vector<std::string>& names, int meterKind,
                                                            std::ostream& err);

bool AnyDependsOnEncoding(const std::vector<const ParamRow*>& rows);

// Why the identification failed, "" when it did not (or did not run).
std::string IdentifyFailureText(const IdentificationRead& identified);

using RowBytes = std::array<std::uint8_t, 8>;

// The value of the registers of one parameter, as they came.
FieldValue DecodeWire(const Parameter& parameter, const std::uint8_t* wire, const CodecContext& context);

// "20 m3/h", "DN25".
std::string ValueWithUnit(const Parameter& parameter, const FieldValue& value);

// The wire bytes of `value`, or why it cannot be sent: out of range, not for this meter, or
// a value the registers would hold otherwise (70000 in one register, 1.2345 with three
// decimals) — what the meter would keep is then said.
std::optional<std::string> Unsendable(const Parameter& parameter, const FieldValue& value, const CodecContext& context,
                                      RowBytes& wire);

}  // namespace kelvo::cli
