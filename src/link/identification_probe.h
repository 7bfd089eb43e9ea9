// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One identification request (function code 0x41) that waits only as long as an answer
// can take: a meter search's try. The link's own ReadIdentification waits out the baud
// rate's whole read timeout (10 s at 1200 baud), which a search of thousands of tries
// cannot afford; the frames and the verdict are the same.

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "link/answer_check.h"

namespace kelvo {

class TrafficLog;
class Transport;

// Address, 0x41, 0x00, 0x00, CRC.
inline constexpr int kIdentificationRequestBytes = 6;

struct ProbeAnswer {
    AnswerFault fault = AnswerFault::NoAnswer;
    std::vector<std::uint8_t> data;  // the identification bytes of a good answer

    bool Good() const { return fault == AnswerFault::None; }
};

// Sends the request to `address` on the open port and reads until the answer is whole or
// `floor` has passed since the request began. Both go to `log` (may be nullptr) as the
// search's traffic.
ProbeAnswer ProbeIdentification(Transport& port, std::uint8_t address, std::chrono::microseconds floor,
                                TrafficLog* log);

}  // namespace kelvo
