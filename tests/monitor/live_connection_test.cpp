// Connect, poll and disconnect against the simulated meter: the messages a failed
// connect shows, who holds the port when, and what the polling thread sends.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "link/modbus_rtu.h"
#include "messages/prompter.h"
#include "monitor/live_connection.h"
#include "support/simulated_meter_port.h"
#include "link/stop_event.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"

namespace kelvo {
namespace {

using test::ReadRequest;
using test::ScriptedPrompter;
using Entry = ScriptedPrompter::Entry;

const std::vector<ReadRequest> kW58Cycle = {{99, 100}, {199, 88}, {321, 13}};
const std::vector<ReadRequest> kGenericCycle = {{99, 59}, {323, 2}, {185, 1}, {189, 2}};

// True when another link can open the port the settings name, i.e. nobody holds it.
bool PortIsFree() {
    CDMRJly other;
    const int opened = other.OpenPort(LoadSerialSettings());
    other.ClosePort();
    return opened != 0;
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

class LiveConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(port_.Start()); }

    sim::MeterSimulator& Meter() { return port_.Meter(); }
    std::vector<ReadRequest> Reads() { return test::ReadRequestsOf(port_.Meter().Requests()); }

    void Connect(int meterKind) {
        connection_.SetMeterKind(meterKind);
        ASSERT_TRUE(connection_.OpenAndIdentify(prompter_));
        connection_.StartPolling();
        ASSERT_TRUE(connection_.IsConnected());
    }

    // Waits until `count` more reads than now have reached the meter.
    bool WaitForMoreReads(std::size_t count) {
        const std::size_t target = Meter().Requests().size() + count;
        return Meter().WaitForRequests(target, 10000);
    }

    test::SimulatedMeterPort port_;
    ScriptedPrompter prompter_;
    StopEvent stopEvent_;
    std::mutex liveMutex_;
    LiveConnection connection_{stopEvent_, liveMutex_};  // last: stops before the meter goes
};

TEST(LiveConnectionFailures, EachFailedConnectShowsItsMessageAndFreesThePort) {
    struct Case {
        const char* what;
        std::function<void(test::SimulatedMeterPort&)> arrange;
        std::vector<Entry> messages;
        std::optional<MeterIdentity> identity;  // what the identification decoded
    };
    const auto warning = [](std::string_view text, std::string_view detail = {}) {
        return Entry{ScriptedPrompter::Kind::Warning, std::string(text), std::string(detail)};
    };
    const std::vector<Case> cases = {
        {"no such port",
         [](test::SimulatedMeterPort& port) { port.Settings().WriteIni(test::ComSetIni(1, "NOPE")); },
         {warning(kOpenPortFailedText, PortErrorText(PortError::NoSuchDevice))},
         std::nullopt},
        {"meter does not answer",
         [](test::SimulatedMeterPort& port) { port.Meter().SetSilent(true); },
         {warning(kReadIdentificationFailedText)},
         std::nullopt},
        {"answer with a bad CRC",
         [](test::SimulatedMeterPort& port) { port.Meter().SetBadCrc(true); },
         {warning(kReadIdentificationFailedText)},
         std::nullopt},
        {"RA06 with firmware 2002",
         [](test::SimulatedMeterPort& port) { port.Meter().SetIdentification("RA06", "2002"); },
         {warning(kMeterNotSupportedText)},
         MeterIdentity{5, kEncodingUnsupported}},
        {"RA07 without a version",
         [](test::SimulatedMeterPort& port) { port.Meter().SetIdentificationBytes({'R', 'A', '0', '7'}); },
         {warning(kMeterNotSupportedText)},
         MeterIdentity{6, kEncodingUnsupported}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::SimulatedMeterPort port;
        ASSERT_TRUE(port.Start());
        c.arrange(port);
        ScriptedPrompter prompter;
        StopEvent stopEvent;
        std::mutex liveMutex;
        LiveConnection connection(stopEvent, liveMutex);

        EXPECT_FALSE(connection.OpenAndIdentify(prompter));
        EXPECT_EQ(prompter.Entries(), c.messages);
        EXPECT_FALSE(connection.IsConnected());
        if (c.identity) {
            EXPECT_EQ(connection.Identity(), *c.identity);
        } else {
            EXPECT_EQ(connection.Identity(), MeterIdentity{}) << "nothing decoded, nothing changed";
        }
        port.Settings().WriteIni(test::ComSetIni(1));
        EXPECT_TRUE(PortIsFree()) << "the failed connect closed the port";
    }
}

TEST_F(LiveConnectionTest, AnAcceptedMeterHoldsThePortUntilDisconnect) {
    struct Case {
        const char* model;
        const char* version;
        MeterIdentity identity;
    };
    const std::vector<Case> cases = {
        {"RA06", "2003", {5, kEncodingLegacy}},
        {"RA01", "10A3", {0, kEncodingLegacy}},
        {"RA01", "1004", {0, kEncodingCurrent}},
        {"XY99", "0001", {kUnknownModel, kEncodingCurrent}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.version);
        Meter().SetIdentification(c.model, c.version);
        Connect(kW58Meter);
        EXPECT_TRUE(prompter_.Entries().empty());
        EXPECT_EQ(connection_.Identity(), c.identity);
        EXPECT_FALSE(PortIsFree()) << "connected: the live link holds the port";

        connection_.StopPolling();
        EXPECT_FALSE(connection_.IsConnected());
        EXPECT_TRUE(PortIsFree()) << "disconnected: the port is closed";
    }
}

TEST_F(LiveConnectionTest, AReconnectAtOnceIsNotMetByTheAnswerTheDisconnectLeftBehind) {
    Meter().SetIdentification("RA01", "1004");
    Meter().SetExtraDelayMs(40);  // the answer is still to come when the disconnect returns
    Connect(kW58Meter);
    ASSERT_TRUE(WaitForMoreReads(1));
    connection_.StopPolling();

    Connect(kW58Meter);
    EXPECT_TRUE(prompter_.Entries().empty()) << "the identification got its own answer only";
    EXPECT_EQ(connection_.Identity(), (MeterIdentity{0, kEncodingCurrent}));
}

TEST_F(LiveConnectionTest, PollingRunsCycleAfterCycleAndResumesAfterReconnect) {
    Meter().SetReg(333, 1);
    Connect(kW58Meter);
    ASSERT_TRUE(test::WaitUntil([&] { return connection_.CopySnapshot().U16(333) == 1; }));
    Meter().SetReg(333, 2);
    ASSERT_TRUE(test::WaitUntil([&] { return connection_.CopySnapshot().U16(333) == 2; }));
    connection_.StopPolling();

    Meter().SetReg(333, 3);
    Connect(kW58Meter);
    ASSERT_TRUE(test::WaitUntil([&] { return connection_.CopySnapshot().U16(333) == 3; }))
        << "a second connect starts a fresh polling thread";
}

TEST_F(LiveConnectionTest, AMeterKindSwitchedWhileConnectedAppliesFromTheNextCycle) {
    Meter().ClearRequests();
    Connect(kGenericMeter);
    ASSERT_TRUE(WaitForMoreReads(2 * kGenericCycle.size()));

    connection_.SetMeterKind(kW58Meter);
    ASSERT_TRUE(test::WaitUntil([&] {
        const auto reads = Reads();
        return std::count(reads.begin(), reads.end(), ReadRequest{321, 13}) >= 2;
    }));
    connection_.StopPolling();

    std::vector<int> kinds;
    ASSERT_TRUE(SplitIntoCycles(Reads(), kinds)) << "every cycle is whole and of one kind";
    const auto firstW58 = std::find(kinds.begin(), kinds.end(), kW58Meter);
    ASSERT_NE(firstW58, kinds.begin());
    EXPECT_TRUE(std::all_of(kinds.begin(), firstW58, [](int kind) { return kind == kGenericMeter; }));
    EXPECT_TRUE(std::all_of(firstW58, kinds.end(), [](int kind) { return kind == kW58Meter; }));
}

TEST_F(LiveConnectionTest, AMeterThatStopsAnsweringLeavesTheLastValues) {
    Meter().SetFloat(99, 12.5F);
    Connect(kW58Meter);
    ASSERT_TRUE(test::WaitUntil([&] { return connection_.CopySnapshot().Float(99) == 12.5F; }));

    Meter().SetExceptionRange(0, 399);
    // Two whole failing cycles (two attempts per block) and the start of a third: at least
    // one cycle that began after the switch has ended and copied its record.
    ASSERT_TRUE(WaitForMoreReads(2 * 2 * kW58Cycle.size() + 1));
    const LiveRecord frozen = connection_.CopySnapshot();
    EXPECT_EQ(frozen.Float(99), 12.5F);

    Meter().SetFloat(99, 99.0F);
    ASSERT_TRUE(WaitForMoreReads(2 * 2 * kW58Cycle.size() + 1));
    EXPECT_EQ(connection_.CopySnapshot(), frozen);
    EXPECT_FALSE(connection_.Health().lastCycleGood);
    EXPECT_TRUE(connection_.Health().portOpen) << "a silent meter is no gone device";
    EXPECT_TRUE(connection_.IsConnected()) << "failed reads never end the connection";
    EXPECT_TRUE(prompter_.Entries().empty()) << "polling failures are silent";
}

TEST(LiveConnectionStop, DisconnectEndsTheWaitForASilentMeterAtOnce) {
    // At 1200 baud an unanswered read waits 10 s, and a W58 cycle against a silent meter
    // would take a minute to run to its end.
    test::SimulatedMeterPort port;
    ASSERT_TRUE(port.Start());
    std::string ini = test::ComSetIni(1);
    ini.replace(ini.find("57600"), 5, "1200");
    port.Settings().WriteIni(ini);
    ScriptedPrompter prompter;
    StopEvent stopEvent;
    std::mutex liveMutex;
    LiveConnection connection(stopEvent, liveMutex);
    connection.SetMeterKind(kW58Meter);
    ASSERT_TRUE(connection.OpenAndIdentify(prompter));
    port.Meter().SetSilent(true);
    port.Meter().ClearRequests();
    connection.StartPolling();
    ASSERT_TRUE(port.Meter().WaitForRequests(1, 10000));

    connection.StopPolling();
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_TRUE(PortIsFree());
    EXPECT_EQ(port.Meter().Requests().size(), 1U) << "the first attempt was given up, not repeated";

    // The next connect identifies the meter as before: the stop is not left behind.
    port.Meter().SetSilent(false);
    EXPECT_TRUE(connection.OpenAndIdentify(prompter));
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST_F(LiveConnectionTest, AVanishedDeviceIsOpenedAgainAndPollingResumes) {
    Meter().SetReg(333, 1);
    Connect(kW58Meter);
    ASSERT_TRUE(test::WaitUntil([&] { return connection_.CopySnapshot().U16(333) == 1; }));

    Meter().Stop();  // the pseudo-terminal goes away, as an unplugged adapter does
    ASSERT_TRUE(test::WaitUntil([&] { return !connection_.Health().portOpen; }));
    EXPECT_TRUE(connection_.IsConnected());

    Meter().SetReg(333, 2);
    ASSERT_TRUE(Meter().Start());
    port_.Settings().MapPort(test::kSimPortName, Meter().SlavePath());
    ASSERT_TRUE(test::WaitUntil([&] { return connection_.CopySnapshot().U16(333) == 2; }))
        << "polling resumed by itself";
    EXPECT_TRUE(connection_.Health().portOpen);
    EXPECT_TRUE(connection_.Health().lastCycleGood);
    EXPECT_TRUE(prompter_.Entries().empty()) << "the polling thread never shows a message";
    connection_.StopPolling();
    EXPECT_TRUE(PortIsFree());
}

TEST_F(LiveConnectionTest, DestroyingTheConnectionStopsPollingAndFreesThePort) {
    {
        StopEvent stopEvent;
        std::mutex liveMutex;
        LiveConnection connection(stopEvent, liveMutex);
        connection.SetMeterKind(kW58Meter);
        ASSERT_TRUE(connection.OpenAndIdentify(prompter_));
        connection.StartPolling();
        ASSERT_TRUE(WaitForMoreReads(kW58Cycle.size()));
    }
    const std::size_t afterDestruction = Reads().size();
    EXPECT_TRUE(PortIsFree());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Reads().size(), afterDestruction);
}

TEST_F(LiveConnectionTest, DestroyingAnIdentifiedButNotPollingConnectionFreesThePort) {
    {
        StopEvent stopEvent;
        std::mutex liveMutex;
        LiveConnection connection(stopEvent, liveMutex);
        ASSERT_TRUE(connection.OpenAndIdentify(prompter_));
        EXPECT_FALSE(PortIsFree());
    }
    EXPECT_TRUE(PortIsFree());
}

}  // namespace
}  // namespace kelvo
