// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/crc16.h"
#include "link/modbus_rtu.h"
#include "pty_pair.h"
#include "sim/meter_simulator.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Frames = std::vector<Bytes>;

constexpr std::uint8_t kUntouched = 0xEE;

Bytes WithCrc(Bytes frame) {
    const std::uint16_t crc = Crc16(frame.data(), static_cast<std::uint16_t>(frame.size()));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

Bytes Concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
    return Bytes(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + count));
}

SerialSettings LinkSettings(const std::string& portName = "COM1") {
    SerialSettings settings;
    settings.portName = portName;
    settings.baudRate = 57600;
    settings.address = 8;
    settings.parity = 0;
    return settings;
}

sim::SimOptions SteadyMeter() {
    sim::SimOptions options;
    options.moveLiveValues = false;  // the same bytes on every read
    return options;
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(meter_.Start());
        config_.MapPort("COM1", meter_.SlavePath());
        ASSERT_TRUE(link_.OpenPort(LinkSettings()));
    }

    test::TempSettings config_;
    sim::MeterSimulator meter_{SteadyMeter()};
    CDMRJly link_;
};

TEST_F(LinkTest, RequestFramesOnTheWire) {
    Bytes buffer(kIdentificationBytes);
    const Bytes range = {0x12, 0x34, 0x56, 0x78};
    const struct {
        const char* what;
        std::function<LinkResult()> call;
        Bytes frame;
    } cases[] = {
        {"read register 99", [&] { return link_.ReadRegisters(99, 2, buffer.data()); },
         {0x08, 0x04, 0x00, 0x63, 0x00, 0x01, 0xC1, 0x4D}},
        {"write registers 139-140", [&] { return link_.WriteRegisters(139, 4, range.data()); },
         {0x08, 0x10, 0x00, 0x8B, 0x00, 0x02, 0x04, 0x12, 0x34, 0x56, 0x78, 0xEF, 0xD4}},
        {"identify", [&] { return link_.ReadIdentification(buffer.data()); },
         {0x08, 0x41, 0x00, 0x00, 0x52, 0x50}},
    };
    for (const auto& c : cases) {
        meter_.ClearRequests();
        EXPECT_TRUE(c.call()) << c.what;
        EXPECT_EQ(meter_.Requests(), Frames{c.frame}) << c.what;
    }
}

TEST_F(LinkTest, OnlyTheLowByteOfTheAddressGoesOnTheWire) {
    link_.ClosePort();
    SerialSettings settings = LinkSettings();
    settings.address = 0x108;
    ASSERT_TRUE(link_.OpenPort(settings));
    Bytes buffer(2);
    EXPECT_TRUE(link_.ReadRegisters(99, 2, buffer.data()));
    EXPECT_EQ(meter_.Requests(), Frames{WithCrc({0x08, 0x04, 0x00, 0x63, 0x00, 0x01})});
}

TEST_F(LinkTest, RegisterBytesTravelInWireOrder) {
    const Bytes image = {0x01, 0x2C, 0x00, 0x01, 0x86, 0xA0, 0xFF, 0x00};
    meter_.SetBytes(100, image);
    Bytes read(image.size(), kUntouched);
    EXPECT_TRUE(link_.ReadRegisters(100, static_cast<std::uint16_t>(read.size()), read.data()));
    EXPECT_EQ(read, image);

    const Bytes written = {0x00, 0x00, 0x23, 0x28};
    EXPECT_TRUE(link_.WriteRegisters(139, static_cast<std::uint16_t>(written.size()), written.data()));
    EXPECT_EQ(meter_.Bytes(139, 4), written);
}

TEST_F(LinkTest, LongReadGoesIn120RegisterChunks) {
    Bytes read(250, kUntouched);
    EXPECT_TRUE(link_.ReadRegisters(100, 250, read.data()));
    EXPECT_EQ(meter_.Requests(), (Frames{WithCrc({0x08, 0x04, 0x00, 100, 0x00, 120}),
                                         WithCrc({0x08, 0x04, 0x00, 220, 0x00, 5})}));
    EXPECT_EQ(read, meter_.Bytes(100, 250));
}

TEST_F(LinkTest, LongWriteGoesIn120RegisterChunks) {
    // Every register value at 0xA0A0 or above, so no command register fires and the
    // image keeps exactly what was written.
    Bytes source(480);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(0xA0 + i % 16);
    const std::uint16_t start = 20;
    EXPECT_TRUE(link_.WriteRegisters(start, 480, source.data()));
    EXPECT_EQ(meter_.Requests(),
              (Frames{WithCrc(Concat({0x08, 0x10, 0x00, 20, 0x00, 120, 240}, Slice(source, 0, 240))),
                      WithCrc(Concat({0x08, 0x10, 0x00, 140, 0x00, 120, 240}, Slice(source, 240, 240)))}));
    EXPECT_EQ(meter_.Bytes(start, 480), source);
}

TEST_F(LinkTest, ExceptionAnswerIsTriedOnceMore) {
    const Bytes value = {0x00, 0x05};
    const struct {
        const char* what;
        int exceptions;  // < 0: every time
        bool write;
        bool good;
    } cases[] = {
        {"read, one exception", 1, false, true},
        {"read, exceptions only", -1, false, false},
        {"write, one exception", 1, true, true},
        {"write, exceptions only", -1, true, false},
    };
    for (const auto& c : cases) {
        meter_.ClearRequests();
        meter_.SetExceptionRange(139, 139, c.exceptions);
        Bytes read(2, kUntouched);
        const LinkResult result =
            c.write ? link_.WriteRegisters(139, 2, value.data()) : link_.ReadRegisters(139, 2, read.data());
        meter_.ClearFaults();
        EXPECT_EQ(result.Good(), c.good) << c.what;
        if (!c.good) {
            EXPECT_EQ(result.fault, AnswerFault::Exception) << c.what;
            EXPECT_EQ(result.exceptionCode, 0x02) << c.what;
            EXPECT_EQ(result.attempts, 2) << c.what;
        }
        const Frames sent = meter_.Requests();
        ASSERT_EQ(sent.size(), 2U) << c.what;
        EXPECT_EQ(sent[0], sent[1]) << c.what;
        if (!c.write && !c.good) {
            EXPECT_EQ(read, Bytes(2, kUntouched)) << c.what;
        }
    }
}

TEST_F(LinkTest, SpoiledAnswersFailAfterTwoAttemptsAndDeliverNothing) {
    const Bytes value = {0x00, 0x05};
    const struct {
        const char* what;
        std::function<void()> spoil;
        bool write;
    } cases[] = {
        {"read, bad CRC", [&] { meter_.SetBadCrc(true); }, false},
        {"read, wrong address", [&] { meter_.SetWrongAddress(true); }, false},
        {"read, no answer", [&] { meter_.SetSilent(true); }, false},
        {"read, half the data", [&] { meter_.SetShortAnswers(true); }, false},
        {"write, bad CRC", [&] { meter_.SetBadCrc(true); }, true},
        {"write, wrong address", [&] { meter_.SetWrongAddress(true); }, true},
        {"write, no answer", [&] { meter_.SetSilent(true); }, true},
    };
    for (const auto& c : cases) {
        meter_.ClearRequests();
        c.spoil();
        Bytes read(8, kUntouched);
        const LinkResult result =
            c.write ? link_.WriteRegisters(139, 2, value.data()) : link_.ReadRegisters(100, 8, read.data());
        meter_.ClearFaults();
        EXPECT_FALSE(result) << c.what;
        EXPECT_EQ(read, Bytes(8, kUntouched)) << c.what;
        const Frames sent = meter_.Requests();
        ASSERT_EQ(sent.size(), 2U) << c.what;
        EXPECT_EQ(sent[0], sent[1]) << c.what;
    }
}

TEST_F(LinkTest, FailedChunkStopsTheReadAndKeepsEarlierChunks) {
    meter_.SetExceptionRange(220, 224);
    Bytes read(250, kUntouched);
    EXPECT_FALSE(link_.ReadRegisters(100, 250, read.data()));
    EXPECT_EQ(Slice(read, 0, 240), meter_.Bytes(100, 240));
    EXPECT_EQ(Slice(read, 240, 10), Bytes(10, kUntouched));
    const Bytes second = WithCrc({0x08, 0x04, 0x00, 220, 0x00, 5});
    EXPECT_EQ(meter_.Requests(), (Frames{WithCrc({0x08, 0x04, 0x00, 100, 0x00, 120}), second, second}));
}

// Nothing the link sends can overtake a later request on the line, so when the meter's
// log holds only the later identification request, the calls before it sent nothing.
Frames FramesSentBeforeAndWith(CDMRJly& link, sim::MeterSimulator& meter) {
    Bytes identification(kIdentificationBytes);
    EXPECT_GT(link.ReadIdentification(identification.data()).count, 0);
    return meter.Requests();
}

TEST_F(LinkTest, ByteCountZeroSucceedsWithoutSending) {
    Bytes buffer(2, kUntouched);
    EXPECT_TRUE(link_.ReadRegisters(100, 0, buffer.data()));
    EXPECT_TRUE(link_.WriteRegisters(100, 0, buffer.data()));
    EXPECT_EQ(buffer, Bytes(2, kUntouched));
    EXPECT_EQ(FramesSentBeforeAndWith(link_, meter_), Frames{WithCrc({0x08, 0x41, 0x00, 0x00})});
}

TEST_F(LinkTest, ClosedLinkRefusesWithoutSending) {
    link_.ClosePort();
    EXPECT_FALSE(link_.IsOpen());
    Bytes buffer(kIdentificationBytes, kUntouched);
    EXPECT_FALSE(link_.ReadRegisters(100, 8, buffer.data()));
    EXPECT_FALSE(link_.WriteRegisters(139, 2, buffer.data()));
    EXPECT_FALSE(link_.ReadIdentification(buffer.data()));
    EXPECT_EQ(buffer, Bytes(kIdentificationBytes, kUntouched));

    CDMRJly failedOpen;
    config_.MapPort("COM9", config_.ConfigHome() + "/unplugged");
    EXPECT_FALSE(failedOpen.OpenPort(LinkSettings("COM9")));
    EXPECT_FALSE(failedOpen.ReadRegisters(100, 8, buffer.data()));
    EXPECT_FALSE(failedOpen.ReadIdentification(buffer.data()));
    failedOpen.ClosePort();

    ASSERT_TRUE(link_.OpenPort(LinkSettings()));
    EXPECT_EQ(FramesSentBeforeAndWith(link_, meter_), Frames{WithCrc({0x08, 0x41, 0x00, 0x00})});
}

TEST_F(LinkTest, SecondLinkCannotTakeAHeldPort) {
    CDMRJly page;
    EXPECT_FALSE(page.OpenPort(LinkSettings()));
    EXPECT_FALSE(page.IsOpen());
    EXPECT_EQ(page.LastOpenError(), PortError::Busy);
    page.ClosePort();
    Bytes read(2);
    EXPECT_TRUE(link_.ReadRegisters(99, 2, read.data()));
}

TEST_F(LinkTest, DestroyedLinkReleasesItsPort) {
    link_.ClosePort();
    {
        CDMRJly forgotten;
        ASSERT_TRUE(forgotten.OpenPort(LinkSettings()));
    }
    CDMRJly next;
    EXPECT_TRUE(next.OpenPort(LinkSettings()));
}

TEST_F(LinkTest, IdentificationDeliversAtMostWhatTheCallerHasRoomFor) {
    const struct {
        std::size_t announced;
        int delivered;
    } cases[] = {{10, 10}, {32, 32}, {40, 32}, {0, 0}};
    for (const auto& c : cases) {
        Bytes data(c.announced);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>('A' + i);
        meter_.SetIdentificationBytes(data);
        Bytes room(kIdentificationBytes + 16, kUntouched);
        EXPECT_EQ(link_.ReadIdentification(room.data()).count, c.delivered) << c.announced << " bytes";
        const auto count = static_cast<std::size_t>(c.delivered);
        EXPECT_EQ(Slice(room, 0, count), Slice(data, 0, count)) << c.announced << " bytes";
        EXPECT_EQ(Slice(room, count, room.size() - count), Bytes(room.size() - count, kUntouched))
            << c.announced << " bytes";
    }
}

// A far end that is no well-behaved meter: it answers every request with a frame made
// from that request, and keeps what it received.
class HostileLine {
public:
    using Reply = std::function<Bytes(const Bytes& request)>;

    explicit HostileLine(test::TempSettings& config) {
        if (line_.Ready()) config.MapPort("COM1", line_.SlavePath());
    }
    bool Ready() const { return line_.Ready(); }

    // Answers the next `requests` requests of `requestLength` bytes each on its own thread.
    Frames Serve(int requests, std::size_t requestLength, const Reply& reply, const std::function<void()>& call) {
        Frames received;
        std::jthread far([&] {
            for (int i = 0; i < requests; ++i) {
                const Bytes request = line_.Receive(requestLength);
                if (request.size() != requestLength) return;
                received.push_back(request);
                line_.Send(reply(request));
            }
        });
        call();
        far.join();
        return received;
    }

private:
    test::PtyPair line_;
};

TEST(LinkAgainstAHostileLine, EveryRefusedAnswerIsAFailedAttempt) {
    const Bytes value = {0x00, 0x05, 0x00, 0x06};
    const auto answerWith = [](Bytes body) { return [body](const Bytes&) { return WithCrc(body); }; };
    const struct {
        const char* what;
        bool write;
        HostileLine::Reply reply;
    } cases[] = {
        {"read, local echo", false, [](const Bytes& request) { return request; }},
        {"read, byte count of three registers", false, answerWith({0x08, 0x04, 6, 1, 2, 3, 4, 5, 6})},
        {"read, one byte more than counted", false, answerWith({0x08, 0x04, 4, 1, 2, 3, 4, 5})},
        {"read, wrong function", false, answerWith({0x08, 0x03, 4, 1, 2, 3, 4})},
        {"read, exception", false, answerWith({0x08, 0x84, 0x02})},
        {"write, local echo", true, [](const Bytes& request) { return request; }},
        {"write, four bytes", true, answerWith({0x08, 0x10})},
        {"write, stale acknowledgement", true, answerWith({0x08, 0x10, 0x00, 141, 0x00, 2})},
        {"write, acknowledgement of one register", true, answerWith({0x08, 0x10, 0x00, 139, 0x00, 1})},
        {"write, from another address", true, answerWith({0x09, 0x10, 0x00, 139, 0x00, 2})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempSettings config;
        HostileLine line(config);
        ASSERT_TRUE(line.Ready());
        CDMRJly link;
        ASSERT_TRUE(link.OpenPort(LinkSettings()));
        Bytes read(4, kUntouched);
        std::optional<LinkResult> result;
        const Bytes request = c.write ? WithCrc({0x08, 0x10, 0x00, 139, 0x00, 2, 4, 0x00, 0x05, 0x00, 0x06})
                                      : WithCrc({0x08, 0x04, 0x00, 99, 0x00, 2});
        const Frames received = line.Serve(2, request.size(), c.reply, [&] {
            result = c.write ? link.WriteRegisters(139, 4, value.data()) : link.ReadRegisters(99, 4, read.data());
        });
        ASSERT_TRUE(result.has_value());
        EXPECT_FALSE(*result);
        EXPECT_EQ(received, (Frames{request, request})) << "the same request once more, then no more";
        EXPECT_EQ(read, Bytes(4, kUntouched));
    }
}

// The simulated meter always tells the truth about its length; a meter with a broken
// firmware does not. This far end plays back one fixed answer to whatever it is asked.
// Its model code would choose how page writes are encoded: it must not count.
TEST(LinkIdentification, AnswerAnnouncingMoreThanArrivedIsRefused) {
    test::TempSettings config;
    test::PtyPair line;
    ASSERT_TRUE(line.Ready());
    config.MapPort("COM1", line.SlavePath());
    CDMRJly link;
    ASSERT_TRUE(link.OpenPort(LinkSettings()));

    const Bytes arrived = {'R', 'A', '0', '3', '2', '0'};
    const Bytes answer = WithCrc(Concat({0x08, 0x41, 0x00, 20}, arrived));
    std::jthread meter([&] {
        if (line.Receive(6).size() == 6) line.Send(answer);
    });
    Bytes room(kIdentificationBytes, kUntouched);
    const LinkResult result = link.ReadIdentification(room.data());
    EXPECT_FALSE(result);
    EXPECT_EQ(result.fault, AnswerFault::WrongByteCount);
    EXPECT_EQ(room, Bytes(kIdentificationBytes, kUntouched));
}

}  // namespace
}  // namespace kelvo
