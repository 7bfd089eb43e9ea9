// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/identification_probe.h"

#include <algorithm>
#include <array>

#include "link/modbus_frames.h"
#include "link/traffic_log.h"
#include "link/transport.h"
#include "link/wire_traffic.h"

namespace kelvo {

ProbeAnswer ProbeIdentification(Transport& port, std::uint8_t address, std::chrono::microseconds floor,
                                TrafficLog* log) {
    const auto started = std::chrono::steady_clock::now();
    const RequestFrame request = IdentificationRequest(address);
    port.Purge();
    port.Write(request.View());
    RecordRequest(log, TrafficSource::Search, port, request.View());

    // No interval timeout: a try ends at a time of its own, or once the answer is whole (by
    // its length byte; noise is never whole and lasts until the deadline).
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(started + floor - std::chrono::steady_clock::now());
    std::array<std::uint8_t, kQueueSize> buffer;
    const std::size_t count =
        port.Read(buffer, {.intervalMs = -1, .totalMs = static_cast<int>(std::max<long long>(left.count(), 0))},
                  [&request](std::span<const std::uint8_t> bytes) { return AnswerComplete(request.View(), bytes); });
    const std::span<const std::uint8_t> answer(buffer.data(), count);
    if (port.State() != LineState::Stopped) {
        const auto waitedMs = std::chrono::round<std::chrono::milliseconds>(floor).count();
        RecordReply(log, TrafficSource::Search, port, answer, static_cast<std::uint32_t>(waitedMs));
    }
    const AnswerCheck check = CheckAnswer(request.View(), answer);
    return {.fault = check.fault, .data = {check.data.begin(), check.data.end()}};
}

}  // namespace kelvo
