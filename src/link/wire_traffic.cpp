// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/wire_traffic.h"

namespace kelvo {

void RecordRequest(TrafficLog* log, TrafficSource source, const Transport& port, std::span<const std::uint8_t> request) {
    if (log == nullptr) return;
    if (const WireFrames* wire = port.Wire(); wire != nullptr && !wire->sent.empty()) {
        log->Record(TrafficKind::Sent, source, wire->sent, 0, TrafficFraming::Mbap);
    } else {
        log->Record(TrafficKind::Sent, source, request);
    }
}

void RecordReply(TrafficLog* log, TrafficSource source, const Transport& port, std::span<const std::uint8_t> answer,
                 std::uint32_t waitedMs) {
    if (log == nullptr) return;
    const WireFrames* wire = port.Wire();
    if (wire == nullptr) {
        log->RecordAnswer(source, answer, waitedMs);
        return;
    }
    if (wire->received.empty()) log->Record(TrafficKind::NoAnswer, source, {}, waitedMs, TrafficFraming::Mbap);
    for (const auto& frame : wire->received) log->Record(TrafficKind::Received, source, frame, 0, TrafficFraming::Mbap);
}

}  // namespace kelvo
