// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the traffic monitor is given of one exchange: the frames as they crossed the wire.
// On a serial line and through a serial server those are the link's RTU frames; through a
// Modbus TCP gateway they are the transport's MBAP frames, every frame that came included.

#include <cstdint>
#include <span>

#include "link/traffic_log.h"
#include "link/transport.h"

namespace kelvo {

// The request just written; nothing when `log` is nullptr.
void RecordRequest(TrafficLog* log, TrafficSource source, const Transport& port, std::span<const std::uint8_t> request);
// What the read after it brought (`answer`, as the transport handed it over), or that
// nothing came in waitedMs.
void RecordReply(TrafficLog* log, TrafficSource source, const Transport& port, std::span<const std::uint8_t> answer,
                 std::uint32_t waitedMs);

}  // namespace kelvo
