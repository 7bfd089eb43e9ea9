// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic monitor's lines: one row per kind of good and bad frame, the shape of a
// whole line, and the counters that follow from the lines.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "link/crc16.h"
#include "link/modbus_frames.h"
#include "link/traffic_log.h"
#include "traffic/traffic_text.h"

namespace kelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// `spoil` flips bits of the CRC's high byte, as noise on the line would.
Bytes WithCrc(Bytes frame, std::uint8_t spoil = 0) {
    const std::uint16_t crc = Crc16(frame.data(), static_cast<std::uint16_t>(frame.size()));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>((crc >> 8) ^ spoil));
    return frame;
}

Bytes Frame(const RequestFrame& request) { return {request.bytes.begin(), request.bytes.begin() + request.length}; }

const Bytes kRead = Frame(ReadRequest(8, 139, 2));
const Bytes kWrite = Frame(WriteRequest(8, 139, Bytes{0, 1, 0, 2}));
const Bytes kIdentify = Frame(IdentificationRequest(17));

TrafficRecord Record(TrafficKind kind, const Bytes& frame, TrafficSource source = TrafficSource::Polling) {
    TrafficRecord record;
    record.kind = kind;
    record.source = source;
    record.keptBytes = static_cast<std::uint16_t>(std::min(frame.size(), kTrafficKeptBytes));
    record.frameBytes = static_cast<std::uint32_t>(frame.size());
    std::copy_n(frame.begin(), record.keptBytes, record.bytes.begin());
    return record;
}

TEST(TrafficText, RequestSummaries) {
    EXPECT_EQ(RequestSummary(kRead), "地址 8 读输入寄存器 起始 139 数量 2");
    EXPECT_EQ(RequestSummary(kWrite), "地址 8 写多个寄存器 起始 139 数量 2");
    EXPECT_EQ(RequestSummary(kIdentify), "地址 17 读仪表标识");
    EXPECT_EQ(RequestSummary(WithCrc({8, 0x03, 0, 1, 0, 1})), "地址 8 功能码 0x03");
}

TEST(TrafficText, AnswerSummariesForEveryKindOfAnswer) {
    const Bytes goodRead = WithCrc({8, 0x04, 4, 1, 2, 3, 4});
    const Bytes badCrc = WithCrc({8, 0x04, 4, 1, 2, 3, 4}, 0xFF);
    const Bytes noise(300, 0xF8);
    const struct {
        const char* what;
        Bytes request;
        Bytes answer;
        TrafficVerdict verdict;
        std::string text;
    } cases[] = {
        {"read", kRead, goodRead, TrafficVerdict::Good, "应答 4 字节"},
        {"write", kWrite, WithCrc({8, 0x10, 0, 139, 0, 2}), TrafficVerdict::Good, "写入确认 起始 139 数量 2"},
        {"identify", kIdentify, WithCrc({17, 0x41, 0, 8, 'R', 'A', '0', '3', '2', '0', '0', '4'}),
         TrafficVerdict::Good, "仪表标识 型号 RA03 版本 2004"},
        {"exception", kRead, WithCrc({8, 0x84, 0x02}), TrafficVerdict::Exception,
         "仪表返回异常应答 功能码 0x04 异常码 02"},
        {"bad CRC", kRead, badCrc, TrafficVerdict::BadCrc, "CRC 校验错误（9 字节）"},
        {"cut short", kWrite, WithCrc({8, 0x10, 0, 139}), TrafficVerdict::OtherFault, "应答不完整（6 字节）"},
        {"too long", kRead, WithCrc({8, 0x04, 4, 1, 2, 3, 4, 5}), TrafficVerdict::OtherFault, "应答过长（10 字节）"},
        {"noise longer than any answer", kRead, noise, TrafficVerdict::OtherFault, "应答过长（300 字节）"},
        {"three bytes", kRead, {8, 0x04, 4}, TrafficVerdict::OtherFault, "应答过短（3 字节）"},
        {"another address", kRead, WithCrc({9, 0x04, 4, 1, 2, 3, 4}), TrafficVerdict::OtherFault,
         "应答地址与请求不符（9 字节）"},
        {"local echo", kRead, kRead, TrafficVerdict::OtherFault, "应答字节数与请求的寄存器数不符（8 字节）"},
        {"no request seen", {}, goodRead, TrafficVerdict::OtherFault, "应答，没有对应的请求（9 字节）"},
    };
    for (const auto& c : cases) {
        const TrafficRecord record = Record(TrafficKind::Received, c.answer);
        const TrafficSummary summary = AnswerSummary(c.request, record.Kept(), record.frameBytes);
        EXPECT_EQ(summary.verdict, c.verdict) << c.what;
        EXPECT_EQ(summary.text, c.text) << c.what;
    }
}

TEST(TrafficText, ALineHasTimeDirectionLinkBytesAndSummary) {
    TrafficDecoder decoder;
    TrafficRecord request = Record(TrafficKind::Sent, kIdentify, TrafficSource::Search);
    request.timeMs = 1'700'000'000'123;
    TrafficRecord silence = Record(TrafficKind::NoAnswer, {}, TrafficSource::Search);
    silence.timeMs = request.timeMs + 109;
    silence.waitedMs = 108;

    const std::string sent = decoder.Line(request);
    const std::string none = decoder.Line(silence);
    EXPECT_EQ(sent.substr(8), ".123  发送  [搜索]  地址 17 读仪表标识  11 41 00 00 55 0C");
    EXPECT_EQ(none.substr(8), ".232  接收  [搜索]  无应答（等待 108 ms）");
    EXPECT_EQ(sent[2], ':');
    EXPECT_EQ(sent[5], ':');
}

TEST(TrafficText, AnAnswerIsJudgedAgainstTheLatestRequestOfItsOwnLink) {
    TrafficDecoder decoder;
    decoder.Line(Record(TrafficKind::Sent, kRead, TrafficSource::Polling));
    decoder.Line(Record(TrafficKind::Sent, kIdentify, TrafficSource::Page));
    const std::string line =
        decoder.Line(Record(TrafficKind::Received, WithCrc({8, 0x04, 4, 1, 2, 3, 4}), TrafficSource::Polling));
    // Judged against the page's identification request it would be refused.
    EXPECT_EQ(line.substr(12), "  接收  [轮询]  应答 4 字节  08 04 04 01 02 03 04 C3 8B");
}

TEST(TrafficText, CountersFollowTheLines) {
    TrafficDecoder decoder;
    const Bytes good = WithCrc({8, 0x04, 4, 1, 2, 3, 4});
    const Bytes bad = WithCrc({8, 0x04, 4, 1, 2, 3, 4}, 0x10);
    for (const TrafficRecord& record : {
             Record(TrafficKind::Sent, kRead), Record(TrafficKind::Received, good),
             Record(TrafficKind::Sent, kRead), Record(TrafficKind::Received, bad),
             Record(TrafficKind::Sent, kRead), Record(TrafficKind::NoAnswer, {}),
             Record(TrafficKind::Sent, kRead), Record(TrafficKind::Received, WithCrc({8, 0x84, 0x02})),
             Record(TrafficKind::Sent, kRead), Record(TrafficKind::Received, WithCrc({8, 0x04})),
         }) {
        decoder.Line(record);
    }
    decoder.CountLost(3);
    const TrafficCounters expected{.requests = 5, .goodAnswers = 1, .noAnswers = 1, .badCrc = 1, .exceptions = 1,
                                   .otherFaults = 1, .lost = 3};
    EXPECT_EQ(decoder.Counters(), expected);
    EXPECT_EQ(CountersText(expected), "请求 5  正确应答 1  无应答 1  CRC错误 1  异常应答 1  其他错误 1  未显示 3");
}

}  // namespace
}  // namespace kelvo
