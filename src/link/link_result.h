// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// LinkResult: how one operation of the link ended — good, or why not, in enough detail
// for a person to act on it (which answer was refused and why, how long the link waited,
// whether a request went out before a stop). One type from the link up to the window,
// which turns it into the fixed message text and a detail text.

#include <cstdint>

#include "link/answer_check.h"
#include "link/transport.h"

namespace kelvo {

enum class LinkFailure : std::uint8_t {
    None,
    NotOpen,    // the port is not open: the open failed (portError says why) or was never made
    Answer,     // every attempt was refused by the answer check; `fault` is the last verdict
    Cancelled,  // a stop request ended the operation
    PortGone,   // the device went away (adapter unplugged), or the network connection was lost
};

struct LinkResult {
    LinkFailure failure = LinkFailure::None;
    AnswerFault fault = AnswerFault::None;   // Answer: the verdict on the last attempt
    std::uint8_t exceptionCode = 0;          // fault Exception: the meter's reason
    std::uint8_t attempts = 0;               // requests sent for the part that failed
    std::uint32_t waitedMs = 0;              // fault NoAnswer: how long each attempt waited
    PortError portError = PortError::None;   // NotOpen; PortGone: why a network connection was lost
    // A request of the operation went out: a write that failed or was cancelled after
    // this may have been carried out by the meter all the same.
    bool requestSent = false;
    // Requests of the operation that were answered well (chunks of 120 registers).
    std::uint16_t chunksDone = 0;
    // The identification bytes a good ReadIdentification delivered.
    std::uint16_t count = 0;
    // What the operation ran over and which request it made, for the texts that say why it
    // failed (a gateway that does not forward the identification, a lost network connection).
    LinkType linkType = LinkType::Serial;
    std::uint8_t functionCode = 0;

    bool Good() const { return failure == LinkFailure::None; }
    explicit operator bool() const { return Good(); }
    bool Cancelled() const { return failure == LinkFailure::Cancelled; }
};

}  // namespace kelvo
