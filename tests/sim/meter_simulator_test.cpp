// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated meter as the program sees it: bytes on the pty, answered or not.

#include "sim/meter_simulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "wire_port.h"

namespace kelvo::sim::test {
namespace {

SimOptions StillMeter(SimMeterKind kind = SimMeterKind::W58) {
    SimOptions options;
    options.kind = kind;
    options.moveLiveValues = false;
    return options;
}

Bytes ReadRequest(int first, int count) {
    return WithCrc({8, 0x04, static_cast<std::uint8_t>(first >> 8), static_cast<std::uint8_t>(first & 0xFF), 0,
                    static_cast<std::uint8_t>(count)});
}

Bytes WriteRequest(int first, const std::vector<std::uint16_t>& values) {
    Bytes frame = {8, 0x10, static_cast<std::uint8_t>(first >> 8), static_cast<std::uint8_t>(first & 0xFF), 0,
                   static_cast<std::uint8_t>(values.size()), static_cast<std::uint8_t>(2 * values.size())};
    for (const std::uint16_t value : values) {
        frame.push_back(static_cast<std::uint8_t>(value >> 8));
        frame.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    return WithCrc(frame);
}

// The echo a meter gives to a write: the first six bytes of the request.
Bytes WriteEcho(const Bytes& request) { return WithCrc(Bytes(request.begin(), request.begin() + 6)); }

class SimulatorTest : public ::testing::Test {
protected:
    explicit SimulatorTest(SimOptions options = StillMeter()) : sim_(options) {}

    void SetUp() override {
        ASSERT_TRUE(sim_.Start());
        port_ = std::make_unique<WirePort>(sim_.SlavePath());
        ASSERT_TRUE(port_->IsOpen());
    }

    MeterSimulator sim_;
    std::unique_ptr<WirePort> port_;
};

TEST_F(SimulatorTest, AnswersKnownRequestsByteForByte) {
    struct Case {
        const char* what;
        Bytes request;
        Bytes answer;
    };
    const Case cases[] = {
        {"flow 12.5 as a float in byte order 2-1 4-3",
         {0x08, 0x04, 0x00, 0x63, 0x00, 0x02, 0x81, 0x4C},
         {0x08, 0x04, 0x04, 0x00, 0x00, 0x41, 0x48, 0x52, 0xE2}},
        {"DN25 as a diameter index", {0x08, 0x04, 0x00, 0x95, 0x00, 0x01, 0x21, 0x7F}, {0x08, 0x04, 0x02, 0x00, 0x0A, 0xE5, 0x36}},
        {"meter number 12345678 as digit bytes",
         {0x08, 0x04, 0x00, 0xE1, 0x00, 0x04, 0xA1, 0x66},
         {0x08, 0x04, 0x08, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFA, 0x55}},
        {"identification: model code, then version",
         {0x08, 0x41, 0x00, 0x00, 0x52, 0x50},
         {0x08, 0x41, 0x00, 0x08, 'R', 'A', '0', '3', '2', '0', '0', '4', 0x7C, 0x55}},
        {"registers 399..400 lie beyond the image",
         {0x08, 0x04, 0x01, 0x8F, 0x00, 0x02, 0x41, 0x45},
         {0x08, 0x84, 0x02, 0x12, 0xC3}},
        {"write of register 156 is echoed",
         {0x08, 0x10, 0x00, 0x9C, 0x00, 0x01, 0x02, 0x00, 0x09, 0x11, 0x9A},
         {0x08, 0x10, 0x00, 0x9C, 0x00, 0x01, 0xC1, 0x7E}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(port_->Transact(c.request), c.answer);
    }
    EXPECT_EQ(sim_.Reg(156), 9);
}

TEST_F(SimulatorTest, MalformedRequestsGetExceptionAnswers) {
    struct Case {
        const char* what;
        Bytes request;
        Bytes answer;
    };
    const Case cases[] = {
        {"read of no register", ReadRequest(99, 0), WithCrc({8, 0x84, 0x03})},
        {"read of 126 registers", ReadRequest(99, 126), WithCrc({8, 0x84, 0x03})},
        {"write whose byte count disagrees", WithCrc({8, 0x10, 0, 0x8E, 0, 1, 4, 0, 1, 0, 2}), WithCrc({8, 0x90, 0x03})},
        {"write running past register 399", WriteRequest(398, {1, 2, 3}), WithCrc({8, 0x90, 0x02})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(port_->Transact(c.request), c.answer);
    }
    EXPECT_EQ(sim_.Reg(142), 4) << "a refused write changes nothing";
}

TEST_F(SimulatorTest, FramesThatGetNoAnswerAreStillLogged) {
    struct Case {
        const char* what;
        Bytes frame;
    };
    const Case cases[] = {
        {"another address", WithCrc({9, 0x04, 0x00, 0x63, 0x00, 0x02})},
        {"a bad CRC", {8, 0x04, 0x00, 0x63, 0x00, 0x02, 0x00, 0x00}},
        {"an unknown function code", WithCrc({8, 0x03, 0x00, 0x63, 0x00, 0x02})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim_.ClearRequests();
        EXPECT_TRUE(port_->Transact(c.frame, 400).empty());
        ASSERT_TRUE(sim_.WaitForRequests(1, 5000));
        EXPECT_EQ(sim_.Requests(), std::vector<Bytes>{c.frame});
        EXPECT_FALSE(port_->Transact(ReadRequest(99, 2)).empty()) << "the meter still answers afterwards";
    }
}

TEST_F(SimulatorTest, EachFaultSwitchSpoilsTheAnswerAsDeclared) {
    const Bytes request = ReadRequest(99, 2);
    const Bytes normal = port_->Transact(request);
    ASSERT_EQ(normal.size(), 9U);
    const Bytes body(normal.begin(), normal.end() - 2);
    Bytes invertedCrc = normal;
    invertedCrc[7] ^= 0xFF;
    invertedCrc[8] ^= 0xFF;
    Bytes otherAddress = body;
    otherAddress[0] = 9;

    struct Case {
        const char* what;
        std::function<void(MeterSimulator&)> set;
        Bytes answer;
    };
    const Case cases[] = {
        {"silent", [](MeterSimulator& s) { s.SetSilent(true); }, {}},
        {"bad CRC", [](MeterSimulator& s) { s.SetBadCrc(true); }, invertedCrc},
        {"wrong address", [](MeterSimulator& s) { s.SetWrongAddress(true); }, WithCrc(otherAddress)},
        {"short answer", [](MeterSimulator& s) { s.SetShortAnswers(true); }, WithCrc({8, 0x04, 2, normal[3], normal[4]})},
        {"extra delay", [](MeterSimulator& s) { s.SetExtraDelayMs(150); }, normal},
        {"paced at 9600 baud", [](MeterSimulator& s) { s.SetPaceBaud(9600); }, normal},
        {"exception for the registers read", [](MeterSimulator& s) { s.SetExceptionRange(100, 120); },
         WithCrc({8, 0x84, 0x02})},
        {"exception for other registers", [](MeterSimulator& s) { s.SetExceptionRange(101, 120); }, normal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.set(sim_);
        const Bytes answer = port_->Transact(request, 800);
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(CrcIsValid(answer), !answer.empty() && answer != invertedCrc);
        sim_.ClearFaults();
        EXPECT_EQ(port_->Transact(request), normal) << "cleared";
    }
}

TEST_F(SimulatorTest, AMeterSetToOneLineHearsOnlyThatLine) {
    const Bytes request = ReadRequest(99, 2);
    const Bytes normal = port_->Transact(request);
    ASSERT_EQ(normal.size(), 9U);
    const struct {
        const char* what;
        int onlyBaud;
        std::optional<int> onlyParity;
        int baud;
        int parity;
        bool answered;
    } cases[] = {
        {"its rate", 9600, std::nullopt, 9600, 0, true},
        {"another rate", 9600, std::nullopt, 57600, 0, false},
        {"its rate and odd parity", 4800, 1, 4800, 1, true},
        {"odd parity, master at none", 57600, 1, 57600, 0, false},
        {"even parity, master at odd", 57600, 2, 57600, 1, false},
        // A pty clears the parity-enable flag, so even and none look alike to the meter.
        {"even parity, master at none", 57600, 2, 57600, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim_.SetOnlyBaud(c.onlyBaud);
        sim_.SetOnlyParity(c.onlyParity);
        port_->SetLine(c.baud, c.parity);
        EXPECT_EQ(port_->Transact(request, 400), c.answered ? normal : Bytes{});
    }
}

TEST_F(SimulatorTest, SharesOfAnswersAreLostOrGarbledOnTheLine) {
    const Bytes request = ReadRequest(99, 2);
    const Bytes normal = port_->Transact(request);
    sim_.SetDropShare(1.0);
    EXPECT_EQ(port_->Transact(request, 400), Bytes{});
    EXPECT_EQ(sim_.Requests().size(), 2U) << "heard and carried out, only the answer is lost";
    sim_.SetDropShare(0.0);
    sim_.SetGarbleShare(1.0);
    const Bytes garbled = port_->Transact(request);
    EXPECT_EQ(garbled.size(), normal.size());
    EXPECT_NE(garbled, normal);
    EXPECT_FALSE(CrcIsValid(garbled));
    sim_.SetGarbleShare(0.5);
    int spoilt = 0;
    for (int i = 0; i < 20; ++i) spoilt += port_->Transact(request) != normal ? 1 : 0;
    EXPECT_GT(spoilt, 0);
    EXPECT_LT(spoilt, 20);
}

TEST_F(SimulatorTest, FaultsDoNotLetARefusedWriteThrough) {
    struct Case {
        const char* what;
        std::function<void(MeterSimulator&)> set;
        Bytes answer;
    };
    const Bytes request = WriteRequest(142, {9});
    const Case cases[] = {
        {"silent meter", [](MeterSimulator& s) { s.SetSilent(true); }, {}},
        {"exception range", [](MeterSimulator& s) { s.SetExceptionRange(140, 142); }, WithCrc({8, 0x90, 0x02})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.set(sim_);
        EXPECT_EQ(port_->Transact(request, 500), c.answer);
        EXPECT_EQ(sim_.Reg(142), 4);
        sim_.ClearFaults();
    }
    EXPECT_EQ(port_->Transact(request), WriteEcho(request));
    EXPECT_EQ(sim_.Reg(142), 9);
}

TEST_F(SimulatorTest, ExceptionRangeFiresOnlyTheGivenNumberOfTimes) {
    sim_.SetExceptionRange(139, 140, 2);
    const Bytes exception = WithCrc({8, 0x84, 0x02});
    const struct {
        int first;
        int count;
        bool refused;
    } steps[] = {{99, 2, false}, {139, 2, true}, {130, 10, true}, {139, 2, false}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.first);
        EXPECT_EQ(port_->Transact(ReadRequest(step.first, step.count)) == exception, step.refused);
    }
}

TEST_F(SimulatorTest, AnExtraDelayHoldsTheAnswerBack) {
    sim_.SetExtraDelayMs(1500);
    EXPECT_TRUE(port_->Transact(ReadRequest(99, 2), 100).empty());
    EXPECT_EQ(port_->Receive(5000).size(), 9U) << "the answer comes after the delay";
}

TEST_F(SimulatorTest, APacedAnswerArrivesInPiecesWithTheSameBytes) {
    const Bytes request = ReadRequest(99, 20);
    const Bytes whole = port_->Transact(request);
    ASSERT_EQ(whole.size(), 45U);
    sim_.SetPaceBaud(1200);
    port_->Send(request);
    const std::vector<Bytes> pieces = port_->ReceivePieces();
    Bytes joined;
    for (const Bytes& piece : pieces) joined.insert(joined.end(), piece.begin(), piece.end());
    EXPECT_EQ(joined, whole);
    EXPECT_GT(pieces.size(), 1U) << "375 ms of wire time came in one piece";
}

TEST_F(SimulatorTest, AFloodOfNoiseIsDroppedAndTheNextRequestIsAnswered) {
    std::vector<std::string> ignored;
    std::mutex ignoredMutex;
    sim_.SetEventSink([&](SimEvent event, const std::string& text) {
        const std::lock_guard lock(ignoredMutex);
        if (event == SimEvent::Ignored) ignored.push_back(text);
    });
    port_->Send(Bytes(1 << 20, 0xFF));  // function code 0xFF: no frame the meter knows
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the line falls silent

    const Bytes request = ReadRequest(99, 2);
    EXPECT_EQ(port_->Transact(request).size(), 9U) << "the meter answers again";
    // A slow machine may pause inside the flood: each stretch of noise is one frame.
    const auto requests = sim_.Requests();
    ASSERT_GE(requests.size(), 2U);
    EXPECT_EQ(requests.back(), request);
    for (std::size_t i = 0; i + 1 < requests.size(); ++i) {
        EXPECT_LE(requests[i].size(), 264U) << "only the start of the noise is kept";
    }
    const std::lock_guard lock(ignoredMutex);
    ASSERT_FALSE(ignored.empty());
    for (const std::string& line : ignored) EXPECT_LT(line.size(), 300U) << "the log line is cut";
}

TEST_F(SimulatorTest, CommandRegistersActOnTheImage) {
    struct Case {
        const char* what;
        int reg;
        std::uint16_t value;
        std::vector<std::string> log;
        std::vector<int> zeroed;  // registers that must read 0 afterwards
        std::vector<int> kept;    // registers that must keep their value
    };
    const Case cases[] = {
        {"auto zero", 151, 1, {"auto zero"}, {}, {107, 109, 125, 142}},
        {"clear flow totals", 152, 1, {"clear flow totals"}, {107, 108, 109, 110, 111, 112, 113, 114}, {125, 129}},
        {"clear energy totals", 260, 1, {"clear energy totals"}, {125, 126, 127, 128, 129, 130, 131, 132}, {107, 111}},
        {"clear reports", 261, 1, {"clear reports"}, {}, {107, 125}},
        {"clear working hours", 262, 1, {"clear working hours"}, {}, {107, 125}},
        {"clear power-failure records", 262, 2, {"clear power-failure records"}, {}, {107, 125}},
        {"no command for another value", 152, 2, {}, {}, {107, 109, 111, 113}},
    };
    std::vector<std::string> reported;
    std::mutex reportedMutex;
    sim_.SetEventSink([&](SimEvent event, const std::string& text) {
        const std::lock_guard lock(reportedMutex);
        if (event == SimEvent::Command) reported.push_back(text);
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim_.ResetImage();
        std::vector<std::uint16_t> before;
        for (const int reg : c.kept) before.push_back(sim_.Reg(reg));
        const std::size_t logged = sim_.CommandLog().size();
        const Bytes request = WriteRequest(c.reg, {c.value});
        EXPECT_EQ(port_->Transact(request), WriteEcho(request));
        const std::vector<std::string> log = sim_.CommandLog();
        EXPECT_EQ(std::vector<std::string>(log.begin() + static_cast<long>(logged), log.end()), c.log);
        for (const int reg : c.zeroed) EXPECT_EQ(sim_.Reg(reg), 0) << reg;
        for (std::size_t i = 0; i < c.kept.size(); ++i) EXPECT_EQ(sim_.Reg(c.kept[i]), before[i]) << c.kept[i];
    }
    const std::lock_guard lock(reportedMutex);
    EXPECT_EQ(reported, sim_.CommandLog());
}

TEST_F(SimulatorTest, FactoryResetRestoresChangedParameters) {
    const Bytes changes = WriteRequest(139, {0x0000, 0x0001});
    EXPECT_EQ(port_->Transact(changes), WriteEcho(changes));
    const Bytes address = WriteRequest(156, {42});
    EXPECT_EQ(port_->Transact(address), WriteEcho(address));
    const Bytes reset = WriteRequest(263, {1});
    EXPECT_EQ(port_->Transact(reset), WriteEcho(reset));
    EXPECT_EQ(sim_.Reg32(139), 200000U);
    EXPECT_EQ(sim_.Reg(156), 8);
    EXPECT_EQ(sim_.CommandLog(), std::vector<std::string>{"factory reset"});
}

TEST_F(SimulatorTest, ThirtyTwoBitValuesFollowTheByteOrderRegister) {
    const Bytes totalBefore = port_->Transact(ReadRequest(107, 2));
    const struct {
        std::uint16_t mode;
        Bytes wire;
    } cases[] = {
        {0, {0x44, 0x33, 0x22, 0x11}},
        {1, {0x33, 0x44, 0x11, 0x22}},
        {2, {0x22, 0x11, 0x44, 0x33}},
        {3, {0x11, 0x22, 0x33, 0x44}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const Bytes setMode = WriteRequest(204, {c.mode});
        ASSERT_EQ(port_->Transact(setMode), WriteEcho(setMode));
        sim_.SetReg32(139, 0x11223344);
        const Bytes answer = port_->Transact(ReadRequest(139, 2));
        ASSERT_EQ(answer.size(), 9U);
        EXPECT_EQ(Bytes(answer.begin() + 3, answer.begin() + 7), c.wire);
        EXPECT_EQ(port_->Transact(ReadRequest(107, 2)), totalBefore) << "stored values are not rearranged";
    }
}

TEST_F(SimulatorTest, ThePortMayBeClosedAndOpenedBetweenTransactions) {
    port_.reset();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        WirePort port(sim_.SlavePath());
        ASSERT_TRUE(port.IsOpen());
        EXPECT_EQ(port.Transact(ReadRequest(149, 1)), WithCrc({8, 0x04, 2, 0x00, 0x0A}));
    }
}

TEST(SimulatorLine, IsRawBeforeAnyProgramSetsItUp) {
    MeterSimulator sim(StillMeter());
    // Bytes a cooked terminal would echo, translate or act on: CR, LF, XON, XOFF,
    // interrupt, erase.
    sim.SetReg(142, 0x0D0A);
    sim.SetReg(143, 0x1113);
    sim.SetReg(144, 0x037F);
    ASSERT_TRUE(sim.Start());
    WirePort untouched(sim.SlavePath(), true);
    ASSERT_TRUE(untouched.IsOpen());
    const Bytes request = ReadRequest(142, 3);
    EXPECT_EQ(untouched.Transact(request), WithCrc({8, 0x04, 6, 0x0D, 0x0A, 0x11, 0x13, 0x03, 0x7F}));
    EXPECT_EQ(sim.Requests(), std::vector<Bytes>{request}) << "nothing echoed back to the meter";
}

TEST_F(SimulatorTest, ServesWhileTheTestThreadChangesTheImage) {
    std::atomic<bool> done = false;
    std::thread writer([&] {
        for (std::uint16_t i = 0; !done; ++i) {
            sim_.SetReg(142, i);
            sim_.SetFloat(99, static_cast<float>(i));
            (void)sim_.Requests();
        }
    });
    for (int i = 0; i < 30; ++i) {
        const Bytes answer = port_->Transact(ReadRequest(99, 50));
        EXPECT_EQ(answer.size(), 105U);
        EXPECT_TRUE(CrcIsValid(answer));
    }
    done = true;
    writer.join();
}

TEST(SimulatorDefaults, EachKindShowsItsOwnImageOnTheWire) {
    struct Case {
        const char* what;
        SimMeterKind kind;
        int first;
        int count;
        Bytes data;
    };
    const Case cases[] = {
        {"W58 diameter DN25", SimMeterKind::W58, 149, 1, {0x00, 0x0A}},
        {"W58 flow range 20.0", SimMeterKind::W58, 139, 2, {0x0D, 0x40, 0x00, 0x03}},
        {"generic diameter DN50", SimMeterKind::Generic, 149, 1, {0x00, 0x0D}},
        {"generic flow range 35.0", SimMeterKind::Generic, 139, 2, {0x57, 0x30, 0x00, 0x05}},
        {"flow unit m3/h and totals in m3", SimMeterKind::Generic, 115, 3, {0, 1, 0, 2, 0, 1}},
        {"forward total 1234.567", SimMeterKind::W58, 107, 4, {0x04, 0xD2, 0, 0, 0x02, 0x37, 0, 0}},
        {"supply temperature 65.3", SimMeterKind::W58, 121, 2, {0x99, 0x9A, 0x42, 0x82}},
        {"address 8, 9600 baud", SimMeterKind::W58, 156, 2, {0, 8, 0, 3}},
        {"no parity, byte order 2-1 4-3", SimMeterKind::W58, 203, 2, {0, 0, 0, 1}},
        {"sensor factor 1.0", SimMeterKind::Generic, 147, 2, {0x86, 0xA0, 0x00, 0x01}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MeterSimulator sim(StillMeter(c.kind));
        ASSERT_TRUE(sim.Start());
        WirePort port(sim.SlavePath());
        Bytes expected = {8, 0x04, static_cast<std::uint8_t>(c.data.size())};
        expected.insert(expected.end(), c.data.begin(), c.data.end());
        EXPECT_EQ(port.Transact(ReadRequest(c.first, c.count)), WithCrc(expected));
    }
}

}  // namespace
}  // namespace kelvo::sim::test
