// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/answer_check.h"

#include <algorithm>

#include "link/crc16.h"
#include "link/modbus_frames.h"

namespace kelvo {
namespace {

constexpr std::size_t kShortestAnswer = 4;            // address, function code, CRC (2)
constexpr std::size_t kReadDataOffset = 3;            // after address, function code, byte count
constexpr std::size_t kWriteAnswerLength = 8;         // address, function, start (2), count (2), CRC (2)
constexpr std::size_t kIdentificationDataOffset = 4;  // after address, function, unused byte, length
constexpr std::size_t kCrcLength = 2;

int Word(std::span<const std::uint8_t> frame, std::size_t at) { return frame[at] << 8 | frame[at + 1]; }

bool CrcMatches(std::span<const std::uint8_t> frame) {
    const std::size_t body = frame.size() - kCrcLength;
    const std::uint16_t crc = Crc16(frame.data(), static_cast<std::uint16_t>(body));
    return frame[body] == (crc & 0xFFU) && frame[body + 1] == (crc >> 8);
}

// The requests the link builds; anything else cannot be answered well.
bool IsKnownRequest(std::span<const std::uint8_t> request) {
    if (request.size() < 2) return false;
    switch (request[1]) {
        case kReadInputRegisters:
            return request.size() == 8;
        case kWriteMultipleRegisters:
            return request.size() >= 9;
        case kIdentify:
            return request.size() == 6;
        default:
            return false;
    }
}

// The whole answer to a 0x04 request: address, function code, byte count, data, CRC.
std::size_t ReadAnswerLength(std::span<const std::uint8_t> request) {
    return kReadDataOffset + static_cast<std::size_t>(2 * Word(request, 4)) + kCrcLength;
}

AnswerCheck Refused(AnswerFault fault) { return {.fault = fault, .data = {}}; }

AnswerCheck WrongLength(std::size_t length, std::size_t demanded) {
    return Refused(length < demanded ? AnswerFault::Truncated : AnswerFault::Overlong);
}

AnswerCheck CheckRead(std::span<const std::uint8_t> request, std::span<const std::uint8_t> answer) {
    const auto dataBytes = static_cast<std::size_t>(2 * Word(request, 4));
    if (answer.size() < kReadDataOffset + kCrcLength) return Refused(AnswerFault::Truncated);
    if (answer[2] != dataBytes) return Refused(AnswerFault::WrongByteCount);
    const std::size_t demanded = ReadAnswerLength(request);
    if (answer.size() != demanded) return WrongLength(answer.size(), demanded);
    return {.fault = AnswerFault::None, .data = answer.subspan(kReadDataOffset, dataBytes)};
}

AnswerCheck CheckWrite(std::span<const std::uint8_t> request, std::span<const std::uint8_t> answer) {
    if (answer.size() != kWriteAnswerLength) return WrongLength(answer.size(), kWriteAnswerLength);
    if (!std::equal(answer.begin() + 2, answer.begin() + 6, request.begin() + 2)) {
        return Refused(AnswerFault::WrongEcho);
    }
    return {};
}

AnswerCheck CheckIdentification(std::span<const std::uint8_t> answer) {
    if (answer.size() < kIdentificationDataOffset + kCrcLength) return Refused(AnswerFault::Truncated);
    const std::size_t arrived = answer.size() - kIdentificationDataOffset - kCrcLength;
    if (answer[3] != arrived) return Refused(AnswerFault::WrongByteCount);
    const std::size_t count = std::min(arrived, static_cast<std::size_t>(kIdentificationBytes));
    return {.fault = AnswerFault::None, .data = answer.subspan(kIdentificationDataOffset, count)};
}

}  // namespace

AnswerCheck CheckAnswer(std::span<const std::uint8_t> request, std::span<const std::uint8_t> answer) {
    if (!IsKnownRequest(request)) return Refused(AnswerFault::BadRequest);
    if (answer.empty()) return Refused(AnswerFault::NoAnswer);
    if (answer.size() < kShortestAnswer) return Refused(AnswerFault::TooShort);
    // A frame whose CRC fails says nothing trustworthy, not even whom it comes from.
    if (!CrcMatches(answer)) return Refused(AnswerFault::BadCrc);
    if (answer[0] != request[0]) return Refused(AnswerFault::WrongAddress);
    if (answer[1] == (request[1] | kExceptionBit)) {
        // Address, function code, the reason, CRC; a longer frame still says it refused.
        return {.fault = AnswerFault::Exception, .data = {}, .exceptionCode = answer.size() >= 5 ? answer[2] : std::uint8_t{0}};
    }
    if (answer[1] != request[1]) return Refused(AnswerFault::WrongFunction);
    switch (request[1]) {
        case kReadInputRegisters:
            return CheckRead(request, answer);
        case kWriteMultipleRegisters:
            return CheckWrite(request, answer);
        default:
            return CheckIdentification(answer);
    }
}

std::size_t LongestAnswerTo(std::span<const std::uint8_t> request) {
    if (!IsKnownRequest(request)) return 0;
    switch (request[1]) {
        case kReadInputRegisters:
            return ReadAnswerLength(request);
        case kWriteMultipleRegisters:
            return kWriteAnswerLength;
        default:
            return kLongestIdentificationAnswer;
    }
}

std::size_t AnswerLength(std::span<const std::uint8_t> request, std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kExceptionAnswerLength = 5;  // address, function | 0x80, code, CRC
    if (request.size() < 2 || bytes.size() < 2) return 0;
    const std::uint8_t function = request[1];
    if (bytes[1] == (function | kExceptionBit)) return kExceptionAnswerLength;
    if (bytes[1] != function) return 0;
    switch (function) {
        case kReadInputRegisters:
            return bytes.size() > 2 ? kReadDataOffset + bytes[2] + kCrcLength : 0;
        case kWriteMultipleRegisters:
            return kWriteAnswerLength;
        case kIdentify:
            return bytes.size() > 3 ? kIdentificationDataOffset + bytes[3] + kCrcLength : 0;
        default:
            return 0;
    }
}

bool AnswerComplete(std::span<const std::uint8_t> request, std::span<const std::uint8_t> bytes) {
    const std::size_t length = AnswerLength(request, bytes);
    return length != 0 && bytes.size() >= length;
}

}  // namespace kelvo
