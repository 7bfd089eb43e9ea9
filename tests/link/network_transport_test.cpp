// SPDX-License-Identifier: GPL-3.0-or-later
// The link through a serial server (RTU over TCP) and a Modbus TCP gateway, against a
// scripted converter on 127.0.0.1: what reaches the converter, what the link hands back,
// and the reason a person reads when it fails.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/mbap.h"
#include "link/modbus_rtu.h"
#include "link/stop_event.h"
#include "link/traffic_log.h"
#include "messages/failure_text.h"
#include "support/fake_transport.h"
#include "support/loopback_gateway.h"
#include "traffic/traffic_text.h"

namespace kelvo {
namespace {

using test::LoopbackGateway;
using test::PeerBytes;
using test::PeerFraming;
using test::PeerReply;
using test::PeerScript;
using test::WithCrc16;

constexpr std::uint8_t kAddress = 8;
constexpr int kShortTimeoutMs = 200;
const PeerBytes kRegisters = {0x12, 0x34, 0x56, 0x78};  // what the meter holds in 99..100
const PeerBytes kStale = {0xDE, 0xAD, 0xBE, 0xEF};      // what an earlier request was answered

SerialSettings Through(PeerFraming framing, int port, int timeoutMs = 2000) {
    SerialSettings settings;
    settings.linkType = framing == PeerFraming::Mbap ? kLinkModbusTcp : kLinkRtuOverTcp;
    settings.host = "127.0.0.1";
    settings.tcpPort = port;
    settings.netTimeoutMs = timeoutMs;
    settings.address = kAddress;
    settings.baudRate = 57600;
    return settings;
}

PeerBytes ReadAnswer(const PeerBytes& data, std::uint8_t address = kAddress) {
    PeerBytes frame = {address, 0x04, static_cast<std::uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    return WithCrc16(frame);
}

PeerBytes ExceptionAnswer(std::uint8_t function, std::uint8_t code) {
    return WithCrc16({kAddress, static_cast<std::uint8_t>(function | 0x80), code});
}

std::uint16_t TransactionOf(std::span<const std::uint8_t> mbapRequest) {
    return static_cast<std::uint16_t>(mbapRequest[0] << 8 | mbapRequest[1]);
}

// The RTU answer as the gateway sends it back for the request it got.
PeerBytes Wrapped(const PeerBytes& rtu, std::span<const std::uint8_t> request, int transactionOffset = 0) {
    return MbapFromRtu(rtu, static_cast<std::uint16_t>(TransactionOf(request) + transactionOffset));
}

std::vector<PeerBytes> SingleBytes(const PeerBytes& frame) {
    std::vector<PeerBytes> bytes;
    for (const std::uint8_t b : frame) bytes.push_back({b});
    return bytes;
}

PeerBytes Join(PeerBytes first, const PeerBytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

struct ReadCase {
    const char* name;
    PeerFraming framing;
    PeerScript script;
    std::string failure;  // empty: the read is good and brings kRegisters
    int connections;
    int requests;
    int timeoutMs = 2000;
};

TEST(NetworkLink, ReadsThroughAConverterAsTheConverterAnswers) {
    const PeerScript silent = [](int, int, std::span<const std::uint8_t>) { return PeerReply{}; };
    const ReadCase cases[] = {
        {"RTU over TCP, the answer in single bytes", PeerFraming::Rtu,
         [](int, int, auto) { return PeerReply{.segments = SingleBytes(ReadAnswer(kRegisters))}; }, "", 1, 1},
        {"Modbus TCP, the answer in single bytes", PeerFraming::Mbap,
         [](int, int, auto request) { return PeerReply{.segments = SingleBytes(Wrapped(ReadAnswer(kRegisters), request))}; },
         "", 1, 1},
        {"Modbus TCP, a stale answer and the answer in one segment", PeerFraming::Mbap,
         [](int, int, auto request) {
             return PeerReply{.segments = {Join(Wrapped(ReadAnswer(kStale), request, -1), Wrapped(ReadAnswer(kRegisters), request))}};
         },
         "", 1, 1},
        {"Modbus TCP, the first request answered late, with the second's answer", PeerFraming::Mbap,
         [](int, int number, auto request) {
             if (number == 1) return PeerReply{};
             return PeerReply{.segments = {Wrapped(ReadAnswer(kStale), request, -1), Wrapped(ReadAnswer(kRegisters), request)}};
         },
         "", 1, 2, kShortTimeoutMs},
        {"Modbus TCP, answers of another unit and another protocol dropped", PeerFraming::Mbap,
         [](int, int, auto request) {
             PeerBytes otherProtocol = Wrapped(ReadAnswer(kStale), request);
             otherProtocol[3] = 1;
             return PeerReply{.segments = {Wrapped(ReadAnswer(kStale, kAddress + 1), request), otherProtocol,
                                           Wrapped(ReadAnswer(kRegisters), request)}};
         },
         "", 1, 1},
        {"Modbus TCP, gateway exception 0A", PeerFraming::Mbap,
         [](int, int, auto request) { return PeerReply{.segments = {Wrapped(ExceptionAnswer(0x04, 0x0A), request)}}; },
         "仪表异常应答 0A（网关无可用路径）", 1, 2},
        {"Modbus TCP, gateway exception 0B", PeerFraming::Mbap,
         [](int, int, auto request) { return PeerReply{.segments = {Wrapped(ExceptionAnswer(0x04, 0x0B), request)}}; },
         "仪表异常应答 0B（网关：仪表无应答）", 1, 2},
        {"RTU over TCP, closed in the middle of an answer, then answered on a new connection", PeerFraming::Rtu,
         [](int connection, int, auto) {
             const PeerBytes answer = ReadAnswer(kRegisters);
             if (connection > 1) return PeerReply{.segments = {answer}};
             return PeerReply{.segments = {PeerBytes(answer.begin(), answer.begin() + 4)}, .close = true};
         },
         "", 2, 2},
        {"Modbus TCP, closed in the middle of an answer, then answered on a new connection", PeerFraming::Mbap,
         [](int connection, int, auto request) {
             const PeerBytes answer = Wrapped(ReadAnswer(kRegisters), request);
             if (connection > 1) return PeerReply{.segments = {answer}};
             return PeerReply{.segments = {PeerBytes(answer.begin(), answer.begin() + 9)}, .close = true};
         },
         "", 2, 2},
        {"RTU over TCP, closed as the request came (an idle timeout): sent again on a new connection", PeerFraming::Rtu,
         [](int connection, int, auto) {
             if (connection == 1) return PeerReply{.close = true};
             return PeerReply{.segments = {ReadAnswer(kRegisters)}};
         },
         "", 2, 2},
        {"RTU over TCP, closed at every request", PeerFraming::Rtu,
         [](int, int, auto) { return PeerReply{.close = true}; }, "网络连接已断开（转换器关闭了连接）", 2, 2},
        {"RTU over TCP, accepted and silent", PeerFraming::Rtu, silent, "无应答（等待 200 ms，共 2 次）", 1, 2,
         kShortTimeoutMs},
        {"Modbus TCP, accepted and silent", PeerFraming::Mbap, silent, "无应答（等待 200 ms，共 2 次）", 1, 2,
         kShortTimeoutMs},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackGateway gateway(c.framing, c.script);
        ASSERT_TRUE(gateway.Ready());
        CDMRJly link;
        ASSERT_TRUE(link.OpenPort(Through(c.framing, gateway.Port(), c.timeoutMs)));
        std::array<std::uint8_t, 4> data{};
        const LinkResult read = link.ReadRegisters(99, 4, data.data());
        EXPECT_EQ(FailureDetail(read), c.failure);
        if (c.failure.empty()) {
            EXPECT_EQ(PeerBytes(data.begin(), data.end()), kRegisters);
        }
        link.ClosePort();
        EXPECT_EQ(gateway.Connections(), c.connections);
        EXPECT_EQ(gateway.Requests().size(), static_cast<std::size_t>(c.requests));
    }
}

TEST(NetworkLink, EveryRequestReachesTheGatewayWithItsOwnTransactionAndTheAddressAsUnit) {
    LoopbackGateway gateway(PeerFraming::Mbap, [](int, int, auto request) {
        return PeerReply{.segments = {Wrapped(WithCrc16({kAddress, 0x10, 0x00, 0x8B, 0x00, 0x02}), request)}};
    });
    CDMRJly link;
    ASSERT_TRUE(link.OpenPort(Through(PeerFraming::Mbap, gateway.Port())));
    ASSERT_TRUE(link.WriteRegisters(139, 4, kRegisters.data()));
    ASSERT_TRUE(link.WriteRegisters(139, 4, kRegisters.data()));
    const auto requests = gateway.Requests();
    ASSERT_EQ(requests.size(), 2U);
    // Transaction, protocol 0, length 11, unit 8, then the PDU as the RTU frame has it, no CRC.
    const PeerBytes pdu = {0x10, 0x00, 0x8B, 0x00, 0x02, 0x04, 0x12, 0x34, 0x56, 0x78};
    PeerBytes first = {0x00, 0x01, 0x00, 0x00, 0x00, 0x0B, kAddress};
    first.insert(first.end(), pdu.begin(), pdu.end());
    EXPECT_EQ(requests[0], first);
    EXPECT_EQ(TransactionOf(requests[1]), 2);
}

TEST(NetworkLink, AGatewayThatDoesNotForwardTheIdentificationIsNamed) {
    struct Case {
        const char* name;
        PeerFraming framing;
        PeerBytes answer;  // RTU; wrapped for the gateway
        std::string failure;
    };
    const PeerBytes cut = WithCrc16({kAddress, 0x41, 0x00, 0x20, 'R', 'A', '0', '3'});
    const Case cases[] = {
        {"exception 01", PeerFraming::Mbap, ExceptionAnswer(0x41, 0x01), std::string(kGatewayNoIdentificationText)},
        {"exception 04", PeerFraming::Mbap, ExceptionAnswer(0x41, 0x04), std::string(kGatewayNoIdentificationText)},
        {"cut to the length the gateway guessed", PeerFraming::Mbap, cut, std::string(kGatewayNoIdentificationText)},
        {"another exception is the meter's", PeerFraming::Mbap, ExceptionAnswer(0x41, 0x02), "仪表异常应答 02（非法数据地址）"},
        {"a serial server passes exception 01 from the meter", PeerFraming::Rtu, ExceptionAnswer(0x41, 0x01),
         "仪表异常应答 01（非法功能）"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackGateway gateway(c.framing, [&c](int, int, auto request) {
            return PeerReply{.segments = {c.framing == PeerFraming::Mbap ? Wrapped(c.answer, request) : c.answer}};
        });
        CDMRJly link;
        ASSERT_TRUE(link.OpenPort(Through(c.framing, gateway.Port())));
        std::array<std::uint8_t, kIdentificationBytes> identification{};
        EXPECT_EQ(FailureDetail(link.ReadIdentification(identification.data())), c.failure);
    }
}

TEST(NetworkLink, AConverterThatRebootsIsReachedAgainOnceBack) {
    std::atomic<bool> down{false};
    LoopbackGateway gateway(PeerFraming::Rtu, [&down](int, int request, auto) {
        // The first request is answered, then the converter goes down for its reboot.
        return PeerReply{.segments = {ReadAnswer(kRegisters)}, .goDown = request == 1 && !down.exchange(true)};
    });
    CDMRJly link;
    ASSERT_TRUE(link.OpenPort(Through(PeerFraming::Rtu, gateway.Port())));
    std::array<std::uint8_t, 4> data{};
    ASSERT_TRUE(link.ReadRegisters(99, 4, data.data()));
    const LinkResult whileDown = link.ReadRegisters(99, 4, data.data());
    EXPECT_EQ(FailureDetail(whileDown), "网络连接已断开，重新连接失败：" + std::string(PortErrorText(PortError::ConnectionRefused)));
    EXPECT_TRUE(link.DeviceGone());

    gateway.ComeBack();
    link.ClosePort();
    ASSERT_TRUE(link.OpenPort(Through(PeerFraming::Rtu, gateway.Port())));
    EXPECT_TRUE(link.ReadRegisters(99, 4, data.data()));
    EXPECT_EQ(gateway.Connections(), 2);
}

TEST(NetworkLink, AConnectThatCannotBeMadeSaysWhy) {
    test::RefusingPort refusing;
    test::StalledListener stalled;
    ASSERT_TRUE(stalled.Full()) << "the loopback listener's backlog never filled";
    struct Case {
        const char* name;
        std::string host;
        int port;
        PortError error;
    };
    const Case cases[] = {
        {"nobody listens", "127.0.0.1", refusing.Port(), PortError::ConnectionRefused},
        {"the connect never completes", "127.0.0.1", stalled.Port(), PortError::ConnectTimedOut},
        {"a blank in the host", "127.0.0.1 ", refusing.Port(), PortError::HostInvalid},
        {"no TCP port", "127.0.0.1", 0, PortError::HostInvalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SerialSettings settings = Through(PeerFraming::Rtu, c.port, kShortTimeoutMs);
        settings.host = c.host;
        CDMRJly link;
        const LinkResult opened = link.OpenPort(settings);
        EXPECT_EQ(opened.failure, LinkFailure::NotOpen);
        EXPECT_EQ(FailureDetail(opened), PortErrorText(c.error));
    }
}

TEST(NetworkLink, AStopEndsAConnectThatDoesNotComplete) {
    test::StalledListener stalled;
    ASSERT_TRUE(stalled.Full());
    StopEvent stop;
    CDMRJly link;
    link.SetStop(&stop);
    std::thread disconnect([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop.Set();
    });
    // Far longer than the test may take: only the stop can end it.
    const LinkResult opened = link.OpenPort(Through(PeerFraming::Mbap, stalled.Port(), 60000));
    disconnect.join();
    EXPECT_TRUE(opened.Cancelled()) << FailureDetail(opened);
}

TEST(NetworkLink, TheTrafficMonitorShowsTheMbapFramesAndTheLateAnswerItDropped) {
    LoopbackGateway gateway(PeerFraming::Mbap, [](int, int number, auto request) {
        if (number == 1) return PeerReply{};
        return PeerReply{.segments = {Join(Wrapped(ReadAnswer(kStale), request, -1), Wrapped(ReadAnswer(kRegisters), request))}};
    });
    TrafficLog log;
    log.SetCapturing(true);
    CDMRJly link;
    link.SetTrafficLog(&log, TrafficSource::Page);
    ASSERT_TRUE(link.OpenPort(Through(PeerFraming::Mbap, gateway.Port(), kShortTimeoutMs)));
    std::array<std::uint8_t, 4> data{};
    ASSERT_TRUE(link.ReadRegisters(99, 2 * 2, data.data()));
    TrafficDecoder decoder;
    std::uint64_t cursor = 0;
    std::vector<std::string> lines;
    for (std::string& line : decoder.ReadLines(log, cursor)) lines.push_back(line.substr(line.find("  ") + 2));
    const std::vector<std::string> expected = {
        "发送  [页面]  MBAP 事务 1 协议 0 长度 6 单元 8｜地址 8 读输入寄存器 起始 99 数量 2  00 01 00 00 00 06 08 04 00 63 00 02",
        "接收  [页面]  无应答（等待 250 ms）",
        "发送  [页面]  MBAP 事务 2 协议 0 长度 6 单元 8｜地址 8 读输入寄存器 起始 99 数量 2  00 02 00 00 00 06 08 04 00 63 00 02",
        "接收  [页面]  MBAP 事务 1 协议 0 长度 7 单元 8｜已丢弃：事务号与请求的 2 不符（迟到的应答）  00 01 00 00 00 07 08 04 04 DE AD BE EF",
        "接收  [页面]  MBAP 事务 2 协议 0 长度 7 单元 8｜应答 4 字节  00 02 00 00 00 07 08 04 04 12 34 56 78",
    };
    EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace kelvo
