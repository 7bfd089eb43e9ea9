// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading every recorded parameter of a meter, on the line's worker: who it is (the
// identification), then the read-all blocks of its kind's pages, each once, then each
// parameter no read all holds, one request each — the requests the pages themselves make.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/modbus_rtu.h"
#include "meter/meter_identity.h"
#include "meter/parameter.h"
#include "meter/value_codec.h"
#include "records/meter_record.h"
#include "settings/settings.h"

namespace kelvo {

// The requests of a reading, in order.
std::vector<RegisterSpan> ReadingRequests(int meterKind);

struct MeterReading {
    LinkResult failure;       // good, or why the reading stopped
    std::string failedAt;     // "标识" or "第 3/14 个请求（寄存器 158–180）"
    bool unsupported = false;  // the meter answered but its firmware is not served
    MeterIdentity identity;
    std::optional<MeterRecord> record;  // when every request was answered
    WireImage wire;                     // the registers as they came
};

// Reads the meter on the open link. `progress` hears (request number, requests) before
// each request; the identification counts as the first.
MeterReading ReadMeter(CDMRJly& link, const SerialSettings& settings, int meterKind,
                       const std::function<void(int, int)>& progress = {});

// What a failed reading tells the user: why, and where it stopped.
std::string ReadingFailureText(const MeterReading& reading);

}  // namespace kelvo
