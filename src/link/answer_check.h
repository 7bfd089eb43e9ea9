// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether an answer is the one a request asked for. A pure function of the two frames,
// so that anything that sees both (the link, a traffic view, the fuzz targets) reaches
// the same verdict and can say why an answer was refused.
//
// Every answer must carry the request's address and function code and a matching CRC.
// Beyond that:
// - 0x04: the byte count is twice the registers asked for and the frame is exactly that
//   long (address, function, byte count, data, CRC). Anything else could put bytes of
//   another frame, or of none, into the live values.
// - 0x10: exactly eight bytes that echo the request's start register and register count.
//   An RS-485 adapter with local echo and no meter returns the request itself, which is
//   longer; a stale acknowledgement names other registers.
// - 0x41: address, function, one unused byte, the length byte, as many data bytes as the
//   length byte announces, and the CRC. An answer announcing more or fewer bytes than
//   it carries is refused: its model code would choose how page writes are encoded. The
//   data are cut to 32 bytes.

#include <cstddef>
#include <cstdint>
#include <span>

namespace kelvo {

inline constexpr int kIdentificationBytes = 32;  // room the callers provide
// The longest identification answer taken in: address, function code, unused byte,
// length byte, 32 data bytes, CRC.
inline constexpr int kLongestIdentificationAnswer = 4 + kIdentificationBytes + 2;

enum class AnswerFault : std::uint8_t {
    None,
    NoAnswer,        // nothing arrived
    TooShort,        // fewer than four bytes: no room for address, function code and CRC
    BadCrc,
    WrongAddress,
    Exception,       // the meter refused the request (function code with bit 7 set)
    WrongFunction,
    WrongByteCount,  // 0x04: the byte count is not twice the registers asked for;
                     // 0x41: the length byte disagrees with the bytes that arrived
    Truncated,       // shorter than its kind (and byte count) demand: cut short on the line
    Overlong,        // longer than its kind (and byte count) demand: another frame ran into it
    WrongEcho,       // 0x10: the acknowledgement names other registers
    BadRequest,      // the request is not one the link sends; no answer can fit it
};

struct AnswerCheck {
    AnswerFault fault = AnswerFault::None;
    // Inside the answer: the register bytes of a 0x04 answer, the identification bytes of
    // a 0x41 answer (cut as above); empty for 0x10 and for every refused answer.
    std::span<const std::uint8_t> data;
    std::uint8_t exceptionCode = 0;  // the meter's reason of an Exception answer

    bool Good() const { return fault == AnswerFault::None; }
};

AnswerCheck CheckAnswer(std::span<const std::uint8_t> request, std::span<const std::uint8_t> answer);

// How long the longest answer is that CheckAnswer can take as good for `request`; 0 for a
// request the link does not send.
std::size_t LongestAnswerTo(std::span<const std::uint8_t> request);

// Whether the bytes so far make a whole answer to `request` by its length alone: a 0x04
// answer by its byte count, a 0x10 acknowledgement at eight bytes, an exception at five, a
// 0x41 answer by its length byte. A frame with any other function code is never whole:
// it lasts until the read's time is up. Whether the answer is good is CheckAnswer's
// business; this only says when to stop reading, which over TCP is the only end of an
// answer (nothing there marks a pause between frames).
bool AnswerComplete(std::span<const std::uint8_t> request, std::span<const std::uint8_t> bytes);
// The length the answer has by its head (the rule above), once the bytes so far tell it;
// 0 before, and for a frame that is never whole.
std::size_t AnswerLength(std::span<const std::uint8_t> request, std::span<const std::uint8_t> bytes);

}  // namespace kelvo
