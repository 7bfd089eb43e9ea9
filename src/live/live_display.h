// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The twelve texts of the live display, formatted from a private copy of the
// LiveRecord. A pure function of the record and the meter kind.

#include <array>
#include <cstdint>
#include <string>

#include "meter/live_record.h"

namespace kelvo {

// Display fields in the order of their controls: 1000..1006, 1016, 1020, 1023, 1029, 1058.
enum LiveField {
    kFlowField,         // 1000 "瞬时流量"
    kVelocityField,     // 1001 "瞬时流速"
    kPercentField,      // 1002 "流量百分比"
    kMtField,           // 1003 "MT"
    kForwardField,      // 1004 "正向累积"
    kReverseField,      // 1005 "反向累积"
    kAlarmField,        // 1006 "报警"
    kHeatPowerField,    // 1016 "瞬时热量"
    kSupplyTempField,   // 1020 "进温(℃)"
    kReturnTempField,   // 1023 "出温(℃)"
    kHeatTotalField,    // 1029 "热量累积"
    kColdTotalField,    // 1058 "冷量累积"
    kLiveFieldCount
};

inline constexpr std::array<int, kLiveFieldCount> kLiveFieldControlIds = {1000, 1001, 1002, 1003, 1004, 1005,
                                                                          1006, 1016, 1020, 1023, 1029, 1058};

using LiveTexts = std::array<std::string, kLiveFieldCount>;

LiveTexts FormatLiveTexts(const LiveRecord& record, int meterKind);

// The alarm text of the low byte of register 118.
std::string AlarmText(std::uint16_t alarmBits, int meterKind);

}  // namespace kelvo
