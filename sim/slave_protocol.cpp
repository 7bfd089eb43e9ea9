// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/slave_protocol.h"

#include <algorithm>

#include "link/crc16.h"

namespace kelvo::sim {
namespace {

// Largest register counts that fit one RTU frame of 256 bytes.
constexpr int kMaxReadCount = 125;
constexpr int kMaxWriteCount = 123;
// The identification answer announces its length in one byte; keep the frame within 256.
constexpr std::size_t kMaxIdentificationBytes = 250;

int Word(std::span<const std::uint8_t> frame, std::size_t at) { return frame[at] << 8 | frame[at + 1]; }

Answer AnswerRead(std::span<const std::uint8_t> request, const MeterModel& meter) {
    const std::uint8_t address = request[0];
    const int first = Word(request, 2);
    const int count = Word(request, 4);
    if (count < 1 || count > kMaxReadCount) return {ExceptionAnswer(address, kReadInputRegisters, kIllegalDataValue), {}};
    if (!RegisterImage::Contains(first, count)) {
        return {ExceptionAnswer(address, kReadInputRegisters, kIllegalDataAddress), {}};
    }
    const std::vector<std::uint8_t> data = meter.Image().Bytes(first, 2 * count);
    std::vector<std::uint8_t> answer(3 + data.size());
    answer[0] = address;
    answer[1] = kReadInputRegisters;
    answer[2] = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), answer.begin() + 3);
    AppendCrc(answer);
    return {answer, {}};
}

Answer AnswerWrite(std::span<const std::uint8_t> request, MeterModel& meter, std::time_t hostTime) {
    const std::uint8_t address = request[0];
    const int first = Word(request, 2);
    const int count = Word(request, 4);
    const int byteCount = request[6];
    if (count < 1 || count > kMaxWriteCount || byteCount != 2 * count) {
        return {ExceptionAnswer(address, kWriteRegisters, kIllegalDataValue), {}};
    }
    if (!RegisterImage::Contains(first, count)) {
        return {ExceptionAnswer(address, kWriteRegisters, kIllegalDataAddress), {}};
    }
    Answer answer;
    answer.commands = meter.Write(first, request.subspan(7, static_cast<std::size_t>(byteCount)), hostTime);
    answer.bytes.assign(request.begin(), request.begin() + 6);
    AppendCrc(answer.bytes);
    return answer;
}

Answer AnswerIdentify(std::uint8_t address, std::span<const std::uint8_t> identification) {
    const std::size_t length = std::min(identification.size(), kMaxIdentificationBytes);
    std::vector<std::uint8_t> answer(4 + length);
    answer[0] = address;
    answer[1] = kIdentify;
    answer[2] = 0x00;
    answer[3] = static_cast<std::uint8_t>(length);
    std::copy_n(identification.begin(), length, answer.begin() + 4);
    AppendCrc(answer);
    return {answer, {}};
}

}  // namespace

int RequestLength(std::span<const std::uint8_t> head) {
    if (head.size() < 2) return 0;
    switch (head[1]) {
        case kReadInputRegisters:
            return 8;
        case kWriteRegisters:
            return head.size() < 7 ? 0 : 9 + head[6];
        case kIdentify:
            return 6;
        default:
            return kUnknownFunction;
    }
}

bool CrcMatches(std::span<const std::uint8_t> frame) {
    if (frame.size() < 4) return false;
    const std::size_t body = frame.size() - 2;
    const std::uint16_t crc = Crc16(frame.data(), static_cast<std::uint16_t>(body));
    return frame[body] == (crc & 0xFF) && frame[body + 1] == (crc >> 8);
}

void AppendCrc(std::vector<std::uint8_t>& frame) {
    const std::uint16_t crc = Crc16(frame.data(), static_cast<std::uint16_t>(frame.size()));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

std::optional<RegisterSpan> RequestedRegisters(std::span<const std::uint8_t> request) {
    if (request.size() < 6) return std::nullopt;
    if (request[1] != kReadInputRegisters && request[1] != kWriteRegisters) return std::nullopt;
    return RegisterSpan{.first = Word(request, 2), .count = Word(request, 4)};
}

std::vector<std::uint8_t> ExceptionAnswer(std::uint8_t address, std::uint8_t function, std::uint8_t code) {
    std::vector<std::uint8_t> answer = {address, static_cast<std::uint8_t>(function | kExceptionFlag), code};
    AppendCrc(answer);
    return answer;
}

Answer AnswerRequest(std::span<const std::uint8_t> request, MeterModel& meter,
                     std::span<const std::uint8_t> identification, std::time_t hostTime) {
    switch (request[1]) {
        case kReadInputRegisters:
            return AnswerRead(request, meter);
        case kWriteRegisters:
            return AnswerWrite(request, meter, hostTime);
        default:
            return AnswerIdentify(request[0], identification);
    }
}

}  // namespace kelvo::sim
