// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "meter/value_format.h"
#include "pages/page_definition.h"

namespace kelvo::cli {

// The parameters of the kind named `names`, in their order; nullopt when a name is none
// of them (all such names said on `err`).
std::optional<std::vector<const ParamRow*>> ParametersNamed(const std::vector<std::string>& names, int meterKind,
                                                            std::ostream& err);

bool AnyDependsOnEncoding(const std::vector<const ParamRow*>& rows);

// Why the identification failed, "" when it did not (or did not run).
std::string IdentifyFailureText(const IdentificationRead& identified);

// "20 m3/h", "DN25".
std::string ValueWithUnit(const Parameter& parameter, const FieldValue& value);

}  // namespace kelvo::cli
