// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a proving check reads of the meter and sends to it while connected, as jobs
// between two polling cycles: the forward total with its unit and the flow unit, one
// decimal parameter (the sensor factor, the flow range), and one of the meter's commands
// ("自动调零"). Each is one request on the open link.

#include <cstdint>
#include <optional>
#include <string_view>

#include "link/modbus_rtu.h"
#include "meter/live_record.h"
#include "meter/value_codec.h"
#include "proving/verification.h"

namespace kelvo {

struct TotalRead {
    LinkResult read;
    TotalReading total;  // the forward total as the meter holds it, in its totals unit
    int flowUnit = 0;    // FlowUnitTexts index of the flow unit (registers 115-116)
};

// The forward total of host-order registers (a polled cycle's, or a read's), whole part
// and thousandths as the meter holds them, in its totals unit.
TotalReading ForwardTotalOf(const LiveRecord& record);

// Registers 107..117 in one request: the forward total (whole part, thousandths), the
// reverse total, the flow unit and the totals unit.
TotalRead ReadForwardTotal(CDMRJly& link, int byteOrderMode);

struct DecimalRead {
    LinkResult read;
    std::optional<double> value;  // only from a good answer
};

// The parameter `name` of the kind's register map, decoded as its page row shows it.
DecimalRead ReadDecimalParameter(CDMRJly& link, int meterKind, std::string_view name, const CodecContext& context);

// Writes the command `name` of the kind's map (its value into its register), as the
// command buttons of the pages do.
LinkResult SendMeterCommand(CDMRJly& link, int meterKind, std::string_view name);

}  // namespace kelvo
