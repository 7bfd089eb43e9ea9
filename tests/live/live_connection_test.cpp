// SPDX-License-Identifier: GPL-3.0-or-later
// Connect, poll and disconnect as one job on the line: the messages a failed connect
// shows and why, what the polling sends and keeps, and who holds the port when. Most of
// it runs on the fake transport; what depends on real wire time (an answer a disconnect
// left behind, a wait of ten seconds at 1200 baud) or on a device that really goes away
// runs against the simulated meter on a pseudo-terminal.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/fake_meter.h"
#include "line/line_owner.h"
#include "link/modbus_rtu.h"
#include "link/stop_event.h"
#include "messages/failure_text.h"
#include "messages/prompter.h"
#include "live/live_connection.h"
#include "live/live_status.h"
#include "settings/settings.h"
#include "support/loopback_peers.h"
#include "support/scripted_prompter.h"
#include "support/simulated_meter_port.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

using test::Bytes;
using test::ReadRequest;
using test::ScriptedPrompter;
using test::WaitUntil;
using Entry = ScriptedPrompter::Entry;

const std::vector<ReadRequest> kW58Cycle = {{99, 100}, {199, 88}, {321, 13}};
const std::vector<ReadRequest> kGenericCycle = {{99, 59}, {323, 2}, {185, 1}, {189, 2}};
// What the meter at address 8 receives when asked who it is.
const Bytes kIdentificationRequest = test::WithCrc16({0x08, 0x41, 0x00, 0x00});

Entry Warning(std::string_view text, std::string_view detail = {}) {
    return Entry{ScriptedPrompter::Kind::Warning, std::string(text), std::string(detail)};
}

SerialSettings FakeLineSettings() {
    SerialSettings settings;
    settings.portName = "SIM1";
    settings.baudRate = 57600;  // an unanswered identification waits 200 ms here
    settings.address = 8;
    return settings;
}

// True when another link can open the port the settings name, i.e. nobody holds it.
bool PortIsFree() {
    CDMRJly other;
    const bool opened = other.OpenPort(LoadSerialSettings()).Good();
    other.ClosePort();
    return opened;
}

// Splits the reads into whole cycles of the given kinds, in order; false when the reads
// are not a sequence of complete cycles.
bool SplitIntoCycles(const std::vector<ReadRequest>& reads, std::vector<int>& kinds) {
    std::size_t at = 0;
    while (at < reads.size()) {
        bool matched = false;
        for (const auto& [kind, cycle] : {std::pair{kW58Meter, &kW58Cycle}, std::pair{kGenericMeter, &kGenericCycle}}) {
            if (reads.size() - at >= cycle->size() &&
                std::equal(cycle->begin(), cycle->end(), reads.begin() + static_cast<std::ptrdiff_t>(at))) {
                kinds.push_back(kind);
                at += cycle->size();
                matched = true;
                break;
            }
        }
        if (!matched) return false;
    }
    return true;
}

// What the connection's events reported; they come on the line's worker.
class EventLog {
public:
    ConnectionEvents Events() {
        return {.identified =
                    [this](const MeterIdentity& identity) {
                        const std::lock_guard lock(mutex_);
                        identified_.push_back(identity);
                    },
                .ended = [this] { ended_.fetch_add(1); },
                .cycleEnded =
                    [this](const PolledCycle& cycle) {
                        const std::lock_guard lock(mutex_);
                        cycles_.push_back({.good = cycle.good,
                                           .hasValues = cycle.values != nullptr,
                                           .flow = cycle.values != nullptr ? cycle.values->Float(99) : 0.0F});
                    }};
    }
    struct Cycle {
        bool good;
        bool hasValues;
        float flow;
        bool operator==(const Cycle&) const = default;
    };
    std::vector<Cycle> Cycles() const {
        const std::lock_guard lock(mutex_);
        return cycles_;
    }
    std::vector<MeterIdentity> Identified() const {
        const std::lock_guard lock(mutex_);
        return identified_;
    }
    int Ended() const { return ended_.load(); }

private:
    mutable std::mutex mutex_;
    std::vector<MeterIdentity> identified_;
    std::vector<Cycle> cycles_;
    std::atomic<int> ended_{0};
};

// A connection on a line whose transport is the fake one.
class FakeRig {
public:
    FakeRig() {
        meter.Attach(*wire);
        line.UseSettings(FakeLineSettings());
    }

    // Connects and waits until the job polls or has ended.
    bool Connect(int meterKind, std::optional<SerialSettings> settings = {}) {
        connection->SetMeterKind(meterKind);
        if (!connection->Connect(prompter, events.Events(), std::move(settings))) return false;
        return WaitUntil([this] { return connection->IsPolling() || !connection->Active(); }) &&
               connection->IsPolling();
    }
    std::vector<ReadRequest> Reads() { return test::ReadRequestsOf(wire->Written()); }
    std::size_t Sent() { return wire->Written().size(); }
    // Waits until `count` more requests than now have been sent.
    bool WaitForMoreRequests(std::size_t count) {
        const std::size_t target = Sent() + count;
        return WaitUntil([this, target] { return Sent() >= target; });
    }
    bool PortOpen() {
        const std::lock_guard lock(wire->mutex);
        return wire->open;
    }
    void SetBeforeAnswer(std::function<void(std::size_t)> hook) {
        const std::lock_guard lock(wire->mutex);
        wire->beforeAnswer = std::move(hook);
    }
    std::vector<std::string> Opened() {
        const std::lock_guard lock(wire->mutex);
        return wire->opened;
    }

    test::TempSettings config;  // the user's config.ini is never read
    std::shared_ptr<test::FakeLine> wire = std::make_shared<test::FakeLine>();
    test::FakeMeter meter;
    ScriptedPrompter prompter;  // read only once the job has ended
    EventLog events;
    StopEvent stop;
    std::mutex liveMutex;
    LineOwner line{stop, std::make_unique<test::FakeTransport>(wire)};
    // Ends before the line goes; optional so that a test can destroy it early.
    std::optional<LiveConnection> connection{std::in_place, line, liveMutex};
};

TEST(LiveConnectionFailures, EachFailedConnectSaysWhyAndFreesThePort) {
    struct Case {
        const char* what;
        std::function<void(FakeRig&)> arrange;
        std::vector<Entry> messages;
        bool requestSent = true;
    };
    const auto answering = [](std::function<Bytes()> answer) {
        return [answer](FakeRig& rig) {
            const std::lock_guard lock(rig.wire->mutex);
            rig.wire->meter = [answer](std::span<const std::uint8_t>) { return answer(); };
        };
    };
    const Bytes good = test::IdentificationAnswer("RA032004");
    const std::vector<Case> cases = {
        {"no such port",
         [](FakeRig& rig) {
             const std::lock_guard lock(rig.wire->mutex);
             rig.wire->openError = PortError::NoSuchDevice;
         },
         {Warning(kOpenPortFailedText, "找不到该串口设备，请检查串口名称和连接线。")},
         false},
        {"no answer", [](FakeRig& rig) { rig.meter.SetSilent(true); },
         {Warning(kReadIdentificationFailedText, "无应答（等待 200 ms，共 1 次）")}},
        {"bad CRC",
         answering([good] {
             Bytes spoilt = good;
             spoilt.back() ^= 0x01;
             return spoilt;
         }),
         {Warning(kReadIdentificationFailedText, "CRC 错误")}},
        {"exception 02", answering([] { return test::WithCrc16({0x08, 0xC1, 0x02}); }),
         {Warning(kReadIdentificationFailedText, "仪表异常应答 02（非法数据地址）")}},
        {"answer from another address", answering([] { return test::IdentificationAnswer("RA032004", 9); }),
         {Warning(kReadIdentificationFailedText, "其他地址的应答")}},
        {"40 bytes announced, 3 carried", answering([] { return test::WithCrc16({0x08, 0x41, 0x00, 40, 'R', 'A', '0'}); }),
         {Warning(kReadIdentificationFailedText, "应答字节数与请求不符")}},
        {"RA06 with firmware 2002", [](FakeRig& rig) { rig.meter.SetIdentification("RA062002"); },
         {Warning(kMeterNotSupportedText)}},
        {"RA07 without a version", [](FakeRig& rig) { rig.meter.SetIdentification("RA07"); },
         {Warning(kMeterNotSupportedText)}},
        {"disconnected while the identification waits",
         [](FakeRig& rig) {
             rig.SetBeforeAnswer([&rig](std::size_t) {
                 // The job may run before Connect has noted it.
                 WaitUntil([&rig] { return rig.connection->Job() != 0; });
                 rig.connection->Disconnect();
             });
         },
         {}},  // whoever cancelled knows why
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRig rig;
        c.arrange(rig);

        EXPECT_FALSE(rig.Connect(kW58Meter));
        rig.line.WaitIdle();
        EXPECT_EQ(rig.prompter.Entries(), c.messages);
        EXPECT_FALSE(rig.connection->Active());
        EXPECT_TRUE(rig.events.Identified().empty());
        EXPECT_EQ(rig.events.Ended(), 1);
        EXPECT_EQ(rig.connection->Identity(), MeterIdentity{}) << "a meter not connected leaves no identity behind";
        EXPECT_EQ(rig.wire->Written(), c.requestSent ? std::vector<Bytes>{kIdentificationRequest} : std::vector<Bytes>{})
            << "one identification request, no polling";
        EXPECT_FALSE(rig.PortOpen()) << "the failed connect closed the port";
    }
}

TEST(LiveConnectionAccepted, AnAcceptedMeterIsPolledOnThePortUntilDisconnect) {
    struct Case {
        const char* identification;
        MeterIdentity identity;
    };
    const std::vector<Case> cases = {
        {"RA062003", {5, kEncodingLegacy}},
        {"RA0110A3", {0, kEncodingLegacy}},
        {"RA011004", {0, kEncodingCurrent}},
        {"XY990001", {kUnknownModel, kEncodingCurrent}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.identification);
        FakeRig rig;
        rig.meter.SetIdentification(c.identification);
        ASSERT_TRUE(rig.Connect(kW58Meter));
        EXPECT_EQ(rig.connection->Identity(), c.identity);
        const std::string answered = c.identification;
        EXPECT_EQ(rig.connection->IdentifiedAs().model, answered.substr(0, 4));
        EXPECT_EQ(rig.connection->IdentifiedAs().version, answered.substr(4));
        EXPECT_EQ(rig.connection->PollingSettings(), FakeLineSettings());
        ASSERT_TRUE(rig.WaitForMoreRequests(kW58Cycle.size()));
        // Reported before the first polling request went out.
        EXPECT_EQ(rig.events.Identified(), std::vector<MeterIdentity>{c.identity});
        EXPECT_TRUE(rig.PortOpen()) << "connected: the live link holds the port";

        rig.connection->DisconnectAndWait();
        EXPECT_FALSE(rig.connection->Active());
        EXPECT_FALSE(rig.connection->IsPolling());
        EXPECT_EQ(rig.events.Ended(), 1);
        EXPECT_FALSE(rig.PortOpen()) << "disconnected: the port is closed";
        EXPECT_TRUE(rig.prompter.Entries().empty());
        const std::vector<Bytes> written = rig.wire->Written();
        ASSERT_FALSE(written.empty());
        EXPECT_EQ(written.front(), kIdentificationRequest);
    }
}

TEST(LiveConnectionAccepted, SettingsGivenToConnectAreTheOnesUsed) {
    FakeRig rig;
    SerialSettings given = FakeLineSettings();
    given.portName = "COM7";
    given.address = 17;
    ASSERT_TRUE(rig.Connect(kW58Meter, given));
    ASSERT_TRUE(rig.WaitForMoreRequests(1));
    rig.connection->DisconnectAndWait();

    EXPECT_EQ(rig.Opened(), std::vector<std::string>{"COM7"});
    EXPECT_EQ(rig.wire->Written().front(), test::WithCrc16({17, 0x41, 0x00, 0x00}));
    EXPECT_EQ(rig.connection->PollingSettings(), given);
    EXPECT_EQ(rig.line.Settings(), FakeLineSettings()) << "the line's own settings stay as they were";
}

class LiveConnectionTest : public ::testing::Test {
protected:
    void Connect(int meterKind) { ASSERT_TRUE(rig_.Connect(meterKind)); }
    LiveConnection& Connection() { return *rig_.connection; }
    void SetReg(int reg, std::uint16_t value) {
        rig_.meter.Edit([reg, value](sim::RegisterImage& image) { image.SetReg(reg, value); });
    }

    FakeRig rig_;
};

TEST_F(LiveConnectionTest, NoValuesCountAsSeenBeforeTheFirstGoodCycleOfEachConnect) {
    for (int connect = 1; connect <= 2; ++connect) {
        SCOPED_TRACE(connect);
        rig_.meter.SetExceptionRange(0, 399);
        Connect(kW58Meter);
        // Two whole failing cycles, two attempts per block.
        ASSERT_TRUE(rig_.WaitForMoreRequests(2 * 2 * kW58Cycle.size()));
        const LinkHealth failing = Connection().Health();
        EXPECT_FALSE(failing.goodCycleSeen);
        EXPECT_FALSE(failing.lastCycleGood);
        EXPECT_TRUE(failing.portOpen);

        rig_.meter.SetExceptionRange(1, 0);
        EXPECT_TRUE(WaitUntil([&] { return Connection().Health().goodCycleSeen; }));
        Connection().DisconnectAndWait();
    }
    EXPECT_TRUE(rig_.prompter.Entries().empty()) << "polling failures are silent";
}

TEST_F(LiveConnectionTest, PollingRunsCycleAfterCycleAndResumesAfterReconnect) {
    SetReg(333, 1);
    Connect(kW58Meter);
    ASSERT_TRUE(WaitUntil([&] { return Connection().CopySnapshot().U16(333) == 1; }));
    SetReg(333, 2);
    ASSERT_TRUE(WaitUntil([&] { return Connection().CopySnapshot().U16(333) == 2; }));
    Connection().DisconnectAndWait();

    SetReg(333, 3);
    Connect(kW58Meter);
    ASSERT_TRUE(WaitUntil([&] { return Connection().CopySnapshot().U16(333) == 3; }))
        << "a second connect polls afresh";
    EXPECT_EQ(rig_.events.Identified().size(), 2U);
}

TEST_F(LiveConnectionTest, AMeterKindSwitchedWhileConnectedAppliesFromTheNextCycle) {
    Connect(kGenericMeter);
    ASSERT_TRUE(rig_.WaitForMoreRequests(2 * kGenericCycle.size()));

    Connection().SetMeterKind(kW58Meter);
    ASSERT_TRUE(WaitUntil([&] {
        const auto reads = rig_.Reads();
        return std::count(reads.begin(), reads.end(), ReadRequest{321, 13}) >= 2;
    }));
    Connection().DisconnectAndWait();

    std::vector<int> kinds;
    ASSERT_TRUE(SplitIntoCycles(rig_.Reads(), kinds)) << "every cycle is whole and of one kind";
    const auto firstW58 = std::find(kinds.begin(), kinds.end(), kW58Meter);
    ASSERT_NE(firstW58, kinds.begin());
    EXPECT_TRUE(std::all_of(kinds.begin(), firstW58, [](int kind) { return kind == kGenericMeter; }));
    EXPECT_TRUE(std::all_of(firstW58, kinds.end(), [](int kind) { return kind == kW58Meter; }));
}

TEST_F(LiveConnectionTest, TheByteOrderOfTheLinesSettingsAppliesFromTheNextCycle) {
    // The meter sends the same wire bytes every time; only the settings in memory change.
    rig_.meter.Edit([](sim::RegisterImage& image) { image.SetBytes(139, std::vector<std::uint8_t>{0x00, 0x01, 0x86, 0xA0}); });
    Connect(kGenericMeter);
    const struct {
        int mode;
        std::uint32_t range;
    } cases[] = {{3, 100000}, {0, 0xA0860100}, {2, 0x0100A086}, {1, 0x86A00001}};
    for (const auto& c : cases) {
        SerialSettings settings = FakeLineSettings();
        settings.byteOrderMode = c.mode;
        rig_.line.UseSettings(settings);
        EXPECT_TRUE(WaitUntil([&] { return Connection().CopySnapshot().U32(139) == c.range; })) << "mode " << c.mode;
    }
    EXPECT_EQ(rig_.config.ReadIni(), "") << "settings in memory are not saved";
}

TEST_F(LiveConnectionTest, AMeterThatStopsAnsweringLeavesTheLastValues) {
    rig_.meter.Edit([](sim::RegisterImage& image) { image.SetFloat(99, 12.5F); });
    Connect(kW58Meter);
    ASSERT_TRUE(WaitUntil([&] { return Connection().CopySnapshot().Float(99) == 12.5F; }));

    rig_.meter.SetExceptionRange(0, 399);
    // Two whole failing cycles (two attempts per block) and the start of a third: at least
    // one cycle that began after the switch has ended and copied its record.
    ASSERT_TRUE(rig_.WaitForMoreRequests(2 * 2 * kW58Cycle.size() + 1));
    const LiveRecord frozen = Connection().CopySnapshot();
    EXPECT_EQ(frozen.Float(99), 12.5F);

    rig_.meter.Edit([](sim::RegisterImage& image) { image.SetFloat(99, 99.0F); });
    ASSERT_TRUE(rig_.WaitForMoreRequests(2 * 2 * kW58Cycle.size() + 1));
    EXPECT_EQ(Connection().CopySnapshot(), frozen);
    const LinkHealth health = Connection().Health();
    EXPECT_FALSE(health.lastCycleGood);
    EXPECT_TRUE(health.goodCycleSeen) << "the values on screen came from the meter";
    EXPECT_TRUE(health.portOpen) << "a silent meter is no gone device";
    EXPECT_TRUE(Connection().IsPolling()) << "failed reads never end the connection";
    Connection().DisconnectAndWait();
    EXPECT_TRUE(rig_.prompter.Entries().empty()) << "polling failures are silent";
}

TEST_F(LiveConnectionTest, EachCycleThatRanToItsEndIsHandedOnAndACycleCutShortIsNot) {
    rig_.meter.Edit([](sim::RegisterImage& image) { image.SetFloat(99, 12.5F); });
    Connect(kW58Meter);
    ASSERT_TRUE(WaitUntil([&] { return rig_.events.Cycles().size() >= 2; }));
    rig_.meter.SetExceptionRange(0, 399);
    ASSERT_TRUE(WaitUntil([&] { return !rig_.events.Cycles().back().good; }));

    // A disconnect while a block waits for its answer cuts that cycle short.
    std::atomic<std::size_t> handedOnAtStop{0};
    rig_.SetBeforeAnswer([&](std::size_t) {
        handedOnAtStop = rig_.events.Cycles().size();
        Connection().Disconnect();
    });
    ASSERT_TRUE(WaitUntil([&] { return !Connection().Active(); }));
    const std::vector<EventLog::Cycle> cycles = rig_.events.Cycles();
    EXPECT_EQ(cycles.size(), handedOnAtStop.load());
    EXPECT_EQ(cycles.front(), (EventLog::Cycle{.good = true, .hasValues = true, .flow = 12.5F}));
    EXPECT_EQ(cycles.back(), (EventLog::Cycle{.good = false, .hasValues = false, .flow = 0.0F}));
}

TEST(LiveConnectionEnd, DestroyingTheConnectionEndsItsJobAndFreesThePort) {
    struct Case {
        const char* what;
        bool identified;  // else the identification still waits for its answer
    };
    const Case cases[] = {{"while the identification waits", false}, {"while polling", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRig rig;
        std::atomic<bool> waiting{false};
        if (!c.identified) {
            // The meter takes as long as it takes: only the stop ends the wait.
            rig.SetBeforeAnswer([&rig, &waiting](std::size_t) {
                waiting.store(true);
                rig.stop.WaitFor(std::chrono::minutes(1));
            });
            rig.connection->SetMeterKind(kW58Meter);
            ASSERT_TRUE(rig.connection->Connect(rig.prompter, rig.events.Events()));
            ASSERT_TRUE(WaitUntil([&waiting] { return waiting.load(); }));
        } else {
            ASSERT_TRUE(rig.Connect(kW58Meter));
            ASSERT_TRUE(rig.WaitForMoreRequests(kW58Cycle.size()));
        }

        rig.connection.reset();
        EXPECT_TRUE(rig.line.Idle()) << "the job has ended";
        EXPECT_FALSE(rig.PortOpen());
        EXPECT_EQ(rig.events.Ended(), 1);
        EXPECT_TRUE(rig.prompter.Entries().empty());
    }
}

// What a job between two polling cycles did, as its submitter hears it.
struct BetweenCycles {
    LinkResult written;
    bool onOpenPort = false;
    std::atomic<bool> ended{false};
};

// The frames of a connection in order, one letter each: I identification, C a read of the
// polling cycle, W and R the write and the read of registers 147-148 between the cycles.
std::string FrameLetters(const std::vector<Bytes>& frames) {
    std::string letters;
    for (const Bytes& frame : frames) {
        if (frame[1] == 0x41) letters += 'I';
        if (frame[1] == 0x10) letters += 'W';
        if (frame[1] == 0x04) letters += frame[3] == 147 ? 'R' : 'C';
    }
    return letters;
}

TEST(LiveConnectionBetweenCycles, AJobTakesTheLineBetweenTwoCyclesAndPollingGoesOn) {
    enum class Act { Nothing, CancelTheFirst, Disconnect };
    struct Case {
        const char* what;
        Act whileTheFirstWaits;  // for the meter's answer to its write
        std::string between;     // the frames of the two jobs, in order
        LinkFailure firstWrite;
        LinkFailure secondWrite;
        bool secondSent;
        bool pollingGoesOn;
    };
    const Case cases[] = {
        {"both run to their end", Act::Nothing, "WRWR", LinkFailure::None, LinkFailure::None, true, true},
        {"a cancel ends the first alone", Act::CancelTheFirst, "WWR", LinkFailure::Cancelled, LinkFailure::None, true, true},
        {"a disconnect ends both", Act::Disconnect, "W", LinkFailure::Cancelled, LinkFailure::Cancelled, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRig rig;
        ASSERT_TRUE(rig.Connect(kW58Meter));
        ASSERT_TRUE(rig.WaitForMoreRequests(2 * kW58Cycle.size()));
        LineOwner::JobId first = 0;
        rig.SetBeforeAnswer([&](std::size_t) {
            {
                const std::lock_guard lock(rig.wire->mutex);
                if (rig.wire->written.back()[1] != 0x10 || c.whileTheFirstWaits == Act::Nothing) return;
                rig.wire->beforeAnswer = {};  // once
            }
            WaitUntil([&first] { return first != 0; });
            if (c.whileTheFirstWaits == Act::CancelTheFirst) rig.line.Cancel(first);
            if (c.whileTheFirstWaits == Act::Disconnect) rig.connection->Disconnect();
            rig.stop.WaitFor(std::chrono::minutes(1));
        });
        BetweenCycles jobs[2];
        const auto writeAndReadBack = [](BetweenCycles& outcome) {
            return [&outcome](LineJob& job) {
                outcome.onOpenPort = job.Link().IsOpen();
                const std::uint8_t factor[4] = {0x7E, 0xD0, 0x00, 0x01};
                outcome.written = job.Link().WriteRegisters(147, 4, factor);
                std::uint8_t back[4] = {};
                job.Link().ReadRegisters(147, 4, back);
            };
        };
        first = rig.connection->SubmitBetweenCycles(TrafficSource::Page, writeAndReadBack(jobs[0]),
                                                     [&jobs] { jobs[0].ended.store(true); });
        ASSERT_NE(first, 0U);
        const LineOwner::JobId second = rig.connection->SubmitBetweenCycles(
            TrafficSource::Page, writeAndReadBack(jobs[1]), [&jobs] { jobs[1].ended.store(true); });
        ASSERT_NE(second, 0U);
        ASSERT_TRUE(WaitUntil([&jobs] { return jobs[1].ended.load(); }));
        if (c.pollingGoesOn) {
            ASSERT_TRUE(rig.WaitForMoreRequests(2 * kW58Cycle.size()));
            EXPECT_TRUE(rig.connection->IsPolling());
        }
        rig.connection->DisconnectAndWait();

        EXPECT_TRUE(jobs[0].ended.load() && jobs[1].ended.load()) << "each submitter hears of its end";
        EXPECT_TRUE(jobs[0].onOpenPort) << "on the connection's port, open";
        EXPECT_EQ(jobs[0].written.failure, c.firstWrite);
        EXPECT_EQ(jobs[1].written.failure, c.secondWrite);
        EXPECT_EQ(jobs[1].written.requestSent, c.secondSent);
        EXPECT_EQ(rig.connection->SubmitBetweenCycles(TrafficSource::Page, [](LineJob&) {}), 0U) << "nothing polls";
        // Whole cycles before the jobs, none cut by them, and whole cycles again after.
        const std::string letters = FrameLetters(rig.wire->Written());
        const std::size_t from = letters.find_first_of("WR");
        ASSERT_NE(from, std::string::npos);
        const std::size_t to = letters.find_last_of("WR") + 1;
        EXPECT_EQ(letters.substr(from, to - from), c.between) << letters;
        EXPECT_EQ((from - 1) % kW58Cycle.size(), 0U) << letters;
        const std::string after = letters.substr(to);
        EXPECT_EQ(after.starts_with(std::string(kW58Cycle.size(), 'C')), c.pollingGoesOn) << letters;
        EXPECT_EQ(after.empty(), !c.pollingGoesOn) << letters;
    }
}

// Against the simulated meter on a pseudo-terminal.
class LiveConnectionOnTheWireTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(port_.Start());
        line_.UseSettings(LoadSerialSettings());
    }

    sim::MeterSimulator& Meter() { return port_.Meter(); }

    void Connect(int meterKind) {
        connection_.SetMeterKind(meterKind);
        ASSERT_TRUE(connection_.Connect(prompter_, events_.Events()));
        ASSERT_TRUE(WaitUntil([this] { return connection_.IsPolling() || !connection_.Active(); }));
        ASSERT_TRUE(connection_.IsPolling());
    }
    // Waits until `count` more requests than now have reached the meter.
    bool WaitForMoreRequests(std::size_t count) {
        const std::size_t target = Meter().Requests().size() + count;
        return Meter().WaitForRequests(target, 10000);
    }

    test::SimulatedMeterPort port_;
    ScriptedPrompter prompter_;  // read only while no job runs
    EventLog events_;
    StopEvent stop_;
    std::mutex liveMutex_;
    LineOwner line_{stop_};
    LiveConnection connection_{line_, liveMutex_};  // last: stops before the line and the meter go
};

TEST_F(LiveConnectionOnTheWireTest, AReconnectAtOnceIsNotMetByTheAnswerTheDisconnectLeftBehind) {
    Meter().SetIdentification("RA01", "1004");
    Meter().SetExtraDelayMs(40);  // the answer is still to come when the job has ended
    Connect(kW58Meter);
    ASSERT_TRUE(WaitForMoreRequests(1));
    connection_.DisconnectAndWait();

    Connect(kW58Meter);
    EXPECT_EQ(connection_.Identity(), (MeterIdentity{0, kEncodingCurrent}));
    connection_.DisconnectAndWait();
    EXPECT_TRUE(prompter_.Entries().empty()) << "the identification got its own answer only";
}

TEST_F(LiveConnectionOnTheWireTest, DisconnectEndsTheWaitForASilentMeterAtOnce) {
    // At 1200 baud an unanswered read waits 10 s, and a W58 cycle against a silent meter
    // takes a minute to run to its end: the wait below only ends in time when the stop
    // ended the read.
    std::string ini = test::ComSetIni(1);
    ini.replace(ini.find("57600"), 5, "1200");
    port_.Settings().WriteIni(ini);
    line_.UseSettings(LoadSerialSettings());
    Connect(kW58Meter);
    Meter().SetSilent(true);
    Meter().ClearRequests();
    // Unanswered from here on. A request that slipped in before the clear is waited for
    // ten seconds; its second attempt comes then.
    ASSERT_TRUE(Meter().WaitForRequests(1, 25000));

    connection_.Disconnect();
    ASSERT_TRUE(WaitUntil([this] { return !connection_.Active(); }));
    EXPECT_TRUE(PortIsFree());
    EXPECT_EQ(Meter().Requests().size(), 1U) << "the first attempt was given up, not repeated";

    // The next connect identifies the meter as before: the stop is not left behind.
    Meter().SetSilent(false);
    Connect(kW58Meter);
    connection_.DisconnectAndWait();
    EXPECT_TRUE(prompter_.Entries().empty());
}

TEST_F(LiveConnectionOnTheWireTest, AVanishedDeviceIsOpenedAgainAndPollingResumes) {
    Meter().SetReg(333, 1);
    Connect(kW58Meter);
    ASSERT_TRUE(WaitUntil([&] { return connection_.CopySnapshot().U16(333) == 1; }));

    Meter().Stop();  // the pseudo-terminal goes away, as an unplugged adapter does
    ASSERT_TRUE(WaitUntil([&] { return !connection_.Health().portOpen; }));
    EXPECT_TRUE(connection_.IsPolling());

    Meter().SetReg(333, 2);
    ASSERT_TRUE(Meter().Start());
    port_.Settings().MapPort(test::kSimPortName, Meter().SlavePath());
    ASSERT_TRUE(WaitUntil([&] { return connection_.CopySnapshot().U16(333) == 2; })) << "polling resumed by itself";
    EXPECT_TRUE(connection_.Health().portOpen);
    EXPECT_TRUE(connection_.Health().lastCycleGood);
    connection_.DisconnectAndWait();
    EXPECT_TRUE(prompter_.Entries().empty()) << "the polling never shows a message";
    EXPECT_TRUE(PortIsFree());
}

TEST(LiveConnectionThroughAConverter, PollingResumesByItselfAfterTheConverterRestarted) {
    test::TempSettings settings;
    sim::SimOptions options = test::SimulatedMeterPort::DefaultOptions();
    sim::MeterSimulator meter(options);
    ASSERT_TRUE(meter.Start());
    meter.SetReg(333, 1);
    const int port = test::FreeLoopbackPort();
    auto serialServer = std::make_unique<test::PeerProcess>(test::SerialServerCommand(port, meter.SlavePath()));
    ASSERT_TRUE(serialServer->Started() && test::AcceptsWithin(port)) << "socat did not come up";

    SerialSettings through = FakeLineSettings();
    through.linkType = kLinkRtuOverTcp;
    through.host = "127.0.0.1";
    through.tcpPort = port;
    through.netTimeoutMs = 500;
    ScriptedPrompter prompter;
    EventLog events;
    StopEvent stop;
    std::mutex liveMutex;
    LineOwner line(stop);
    line.UseSettings(through);
    LiveConnection connection(line, liveMutex);
    connection.SetMeterKind(kW58Meter);
    ASSERT_TRUE(connection.Connect(prompter, events.Events()));
    ASSERT_TRUE(WaitUntil([&] { return connection.CopySnapshot().U16(333) == 1; }));

    serialServer->Stop();  // the converter reboots: its connection ends, its port refuses
    ASSERT_TRUE(WaitUntil([&] { return !connection.Health().portOpen; }));
    const std::string status = DescribeLiveStatus(connection.Health(), std::chrono::steady_clock::now(), {}).text;
    EXPECT_NE(status.find("，网络连接已断开"), std::string::npos) << status;

    meter.SetReg(333, 2);
    serialServer = std::make_unique<test::PeerProcess>(test::SerialServerCommand(port, meter.SlavePath()));
    ASSERT_TRUE(WaitUntil([&] { return connection.CopySnapshot().U16(333) == 2; })) << "polling resumed by itself";
    EXPECT_TRUE(connection.Health().portOpen);
    connection.DisconnectAndWait();
    EXPECT_TRUE(prompter.Entries().empty()) << "the polling never shows a message";
}

}  // namespace
}  // namespace kelvo
