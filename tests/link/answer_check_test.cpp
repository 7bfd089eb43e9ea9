// SPDX-License-Identifier: GPL-3.0-or-later
// The verdict on an answer, one row per kind of answer a meter (or a line without one)
// can send back.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "link/answer_check.h"
#include "messages/failure_text.h"
#include "link/crc16.h"
#include "link/modbus_frames.h"

namespace kelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes WithCrc(Bytes frame) {
    const std::uint16_t crc = Crc16(frame.data(), static_cast<std::uint16_t>(frame.size()));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

Bytes Frame(const RequestFrame& request) { return {request.bytes.begin(), request.bytes.begin() + request.length}; }

const Bytes kRead = Frame(ReadRequest(8, 99, 2));                     // 4 data bytes expected
const Bytes kWrite = Frame(WriteRequest(8, 139, Bytes{0, 1, 0, 2}));  // registers 139-140
const Bytes kIdentify = Frame(IdentificationRequest(8));

struct Case {
    const char* what;
    Bytes request;
    Bytes answer;
    AnswerFault fault;
    Bytes data;  // what a good answer delivers
};

TEST(AnswerCheck, EveryKindOfAnswer) {
    const Bytes badCrc = [] {
        Bytes frame = WithCrc({8, 0x04, 4, 1, 2, 3, 4});
        frame.back() ^= 0xFF;
        return frame;
    }();
    const Case cases[] = {
        {"read, good", kRead, WithCrc({8, 0x04, 4, 1, 2, 3, 4}), AnswerFault::None, {1, 2, 3, 4}},
        {"write, good", kWrite, WithCrc({8, 0x10, 0, 139, 0, 2}), AnswerFault::None, {}},
        {"identify, good", kIdentify, WithCrc({8, 0x41, 0, 4, 'R', 'A', '0', '3'}), AnswerFault::None,
         {'R', 'A', '0', '3'}},
        {"nothing arrived", kRead, {}, AnswerFault::NoAnswer, {}},
        {"three bytes", kWrite, {8, 0x10, 0}, AnswerFault::TooShort, {}},
        {"bad CRC", kRead, badCrc, AnswerFault::BadCrc, {}},
        {"another address", kRead, WithCrc({9, 0x04, 4, 1, 2, 3, 4}), AnswerFault::WrongAddress, {}},
        {"exception", kRead, WithCrc({8, 0x84, 2}), AnswerFault::Exception, {}},
        {"another function", kRead, WithCrc({8, 0x03, 4, 1, 2, 3, 4}), AnswerFault::WrongFunction, {}},
        {"local echo of a read", kRead, kRead, AnswerFault::WrongByteCount, {}},
        {"read, byte count says more", kRead, WithCrc({8, 0x04, 6, 1, 2, 3, 4, 5, 6}), AnswerFault::WrongByteCount, {}},
        {"read, byte count says less", kRead, WithCrc({8, 0x04, 2, 1, 2}), AnswerFault::WrongByteCount, {}},
        {"read, longer than its count", kRead, WithCrc({8, 0x04, 4, 1, 2, 3, 4, 5}), AnswerFault::Overlong, {}},
        {"read, no byte count", kRead, WithCrc({8, 0x04}), AnswerFault::Truncated, {}},
        {"local echo of a write", kWrite, kWrite, AnswerFault::Overlong, {}},
        {"four-byte acknowledgement", kWrite, WithCrc({8, 0x10}), AnswerFault::Truncated, {}},
        {"acknowledgement of other registers", kWrite, WithCrc({8, 0x10, 0, 140, 0, 2}), AnswerFault::WrongEcho, {}},
        {"acknowledgement of another count", kWrite, WithCrc({8, 0x10, 0, 139, 0, 1}), AnswerFault::WrongEcho, {}},
        {"identify, no length byte", kIdentify, WithCrc({8, 0x41, 0}), AnswerFault::Truncated, {}},
        {"identify, announces more than arrived", kIdentify, WithCrc({8, 0x41, 0, 20, 'R', 'A'}),
         AnswerFault::WrongByteCount, {}},
        {"identify, announces fewer than arrived", kIdentify, WithCrc({8, 0x41, 0, 1, 'R', 'A'}),
         AnswerFault::WrongByteCount, {}},
        {"not a request", {8, 0x03, 0, 0}, WithCrc({8, 0x03, 0}), AnswerFault::BadRequest, {}},
    };
    for (const Case& c : cases) {
        const AnswerCheck check = CheckAnswer(c.request, c.answer);
        EXPECT_EQ(check.fault, c.fault) << c.what;
        EXPECT_EQ(Bytes(check.data.begin(), check.data.end()), c.data) << c.what;
        EXPECT_FALSE(AnswerFaultText(check.fault).empty()) << c.what;
    }
}

TEST(AnswerCheck, IdentificationIsCutToThirtyTwoBytes) {
    Bytes answer = {8, 0x41, 0, 40};
    for (std::uint8_t i = 0; i < 40; ++i) answer.push_back(i);
    const Bytes framed = WithCrc(answer);
    const AnswerCheck check = CheckAnswer(kIdentify, framed);
    ASSERT_TRUE(check.Good());
    EXPECT_EQ(Bytes(check.data.begin(), check.data.end()), Bytes(answer.begin() + 4, answer.begin() + 4 + 32));
}

}  // namespace
}  // namespace kelvo
