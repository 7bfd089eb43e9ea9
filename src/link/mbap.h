// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The frames of Modbus TCP: an MBAP header — transaction id, protocol id 0, the length of
// what follows, the unit id — and the PDU, with no CRC (TCP carries its own checks). A
// gateway passes the PDU to the meter whose address is the unit id. The link speaks RTU
// frames; the Modbus TCP transport turns them into these and back, and the traffic
// monitor reads them the same way.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kelvo {

// Transaction id (2), protocol id (2), length (2), unit id.
inline constexpr std::size_t kMbapHeaderBytes = 7;
// The length field counts the unit id and the PDU; a PDU has at most 253 bytes.
inline constexpr std::size_t kMbapLongestLength = 1 + 253;

struct MbapHeader {
    std::uint16_t transaction = 0;
    std::uint16_t protocol = 0;
    std::uint16_t length = 0;
    std::uint8_t unit = 0;

    // The whole frame: the header's first six bytes and what the length counts.
    std::size_t FrameBytes() const { return 6 + std::size_t{length}; }
    // A length that no frame has: the stream is out of step.
    bool Plausible() const { return length >= 2 && length <= kMbapLongestLength; }
};

// Nothing before the first seven bytes have come.
std::optional<MbapHeader> ReadMbapHeader(std::span<const std::uint8_t> bytes);

// The RTU request (address, PDU, CRC) as a Modbus TCP frame: the address becomes the unit id,
// the CRC is left off.
std::vector<std::uint8_t> MbapFromRtu(std::span<const std::uint8_t> rtuRequest, std::uint16_t transaction);
// A Modbus TCP frame (or the part of one that came) as the RTU frame the meter would have
// sent: unit id, PDU, and the CRC over them, so that the link's answer check judges the
// PDU as it judges an answer from the serial line. A part too short to hold a function
// code and one byte gets no CRC: it can only be refused as too short.
std::vector<std::uint8_t> RtuFromMbap(std::span<const std::uint8_t> frame);

enum class MbapMatch {
    Answer,            // the answer to the request
    OtherTransaction,  // a late answer to an earlier request, or to none
    OtherProtocol,     // protocol id not 0: no Modbus frame
    OtherUnit,         // from another meter than the one asked
};
// Whether `answer` (a whole frame) belongs to `request` (the frame that was sent).
MbapMatch MatchMbap(const MbapHeader& request, const MbapHeader& answer);

}  // namespace kelvo
