// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the answer check against the three requests the link sends, and against
// arbitrary bytes in the place of a request.
//
// Input: one control byte, then the request's fields, then the answer.
//   control & 0x03: 0 read (address, start, count), 1 write (address, start, count),
//                   2 identification (address), 3 a raw request (length, bytes)
//   control & 0x80: the answer gets a correct CRC appended, so that the checks behind
//                   the CRC are reached often

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "link/answer_check.h"
#include "link/crc16.h"
#include "link/modbus_frames.h"

namespace {

using kelvo::AnswerCheck;
using kelvo::AnswerFault;

// Takes bytes from the front of the input; zeros once it runs out.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : rest_(data, size) {}
    std::uint8_t Byte() {
        if (rest_.empty()) return 0;
        const std::uint8_t value = rest_.front();
        rest_ = rest_.subspan(1);
        return value;
    }
    std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() << 8 | Byte()); }
    std::span<const std::uint8_t> Take(std::size_t count) {
        const std::span<const std::uint8_t> taken = rest_.first(std::min(count, rest_.size()));
        rest_ = rest_.subspan(taken.size());
        return taken;
    }
    std::span<const std::uint8_t> Rest() const { return rest_; }

private:
    std::span<const std::uint8_t> rest_;
};

void Require(bool condition) {
    if (!condition) std::abort();
}

bool Inside(std::span<const std::uint8_t> part, std::span<const std::uint8_t> whole) {
    return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

bool CrcMatches(std::span<const std::uint8_t> frame) {
    const std::uint16_t crc = kelvo::Crc16(frame.data(), static_cast<std::uint16_t>(frame.size() - 2));
    return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    const std::uint8_t control = input.Byte();
    std::vector<std::uint8_t> request;
    switch (control & 0x03) {
        case 0: {
            const std::uint8_t address = input.Byte();
            const std::uint16_t start = input.Word();
            const auto count = static_cast<std::uint16_t>(input.Byte() % 121);
            const kelvo::RequestFrame frame = kelvo::ReadRequest(address, start, count);
            request.assign(frame.bytes.begin(), frame.bytes.begin() + frame.length);
            break;
        }
        case 1: {
            const std::uint8_t address = input.Byte();
            const std::uint16_t start = input.Word();
            const std::vector<std::uint8_t> values(2U * (1U + input.Byte() % 120U), 0x5A);
            const kelvo::RequestFrame frame = kelvo::WriteRequest(address, start, values);
            request.assign(frame.bytes.begin(), frame.bytes.begin() + frame.length);
            break;
        }
        case 2: {
            const kelvo::RequestFrame frame = kelvo::IdentificationRequest(input.Byte());
            request.assign(frame.bytes.begin(), frame.bytes.begin() + frame.length);
            break;
        }
        default: {
            const std::span<const std::uint8_t> raw = input.Take(input.Byte() % 32);
            request.assign(raw.begin(), raw.end());
            break;
        }
    }
    std::vector<std::uint8_t> answer(input.Rest().begin(), input.Rest().end());
    if ((control & 0x80) != 0) {
        const std::uint16_t crc = kelvo::Crc16(answer.data(), static_cast<std::uint16_t>(answer.size()));
        answer.push_back(static_cast<std::uint8_t>(crc & 0xFF));
        answer.push_back(static_cast<std::uint8_t>(crc >> 8));
    }

    const AnswerCheck check = kelvo::CheckAnswer(request, answer);
    Require(Inside(check.data, answer));
    if (!check.Good()) {
        Require(check.data.empty());
        return 0;
    }
    // What a good answer must be, stated without the check's own steps.
    Require(request.size() >= 6 && answer.size() >= 4 && CrcMatches(answer));
    Require(answer[0] == request[0] && answer[1] == request[1]);
    switch (request[1]) {
        case kelvo::kReadInputRegisters: {
            const std::size_t bytes = 2U * (request[4] << 8 | request[5]);
            Require(answer.size() == 5 + bytes && answer[2] == bytes && check.data.size() == bytes);
            Require(check.data.data() == answer.data() + 3);
            break;
        }
        case kelvo::kWriteMultipleRegisters:
            Require(answer.size() == 8 && check.data.empty());
            Require(std::equal(answer.begin() + 2, answer.begin() + 6, request.begin() + 2));
            break;
        case kelvo::kIdentify:
            Require(check.data.size() <= static_cast<std::size_t>(kelvo::kIdentificationBytes));
            Require(check.data.size() <= answer[3] && check.data.size() + 6 <= answer.size());
            Require(check.data.data() == answer.data() + 4);
            break;
        default:
            Require(false);  // no other request is ever answered well
    }
    return 0;
}
