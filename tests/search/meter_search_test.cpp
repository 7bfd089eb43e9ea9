// SPDX-License-Identifier: GPL-3.0-or-later
// A meter search against the simulated meter: it finds a meter whose address and rate
// are not the stored ones, stops at a cancel with the port free, and says when the port
// cannot be opened. The tries wait 20 ms for the meter instead of 100 ms, and a few line
// settings stand for all of them, so that the whole file runs in seconds.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

#include "line/line_owner.h"
#include "link/serial_port.h"
#include "link/stop_event.h"
#include "link/traffic_log.h"
#include "live/live_connection.h"
#include "search/meter_search.h"
#include "traffic/traffic_text.h"
#include "support/scripted_prompter.h"
#include "support/simulated_meter_port.h"

namespace kelvo {
namespace {

using std::chrono::milliseconds;
using test::kSimPortName;

constexpr milliseconds kTurnaround{20};

sim::SimOptions MeterAt(int address, int onlyBaud) {
    sim::SimOptions options = test::SimulatedMeterPort::DefaultOptions();
    options.address = static_cast<std::uint8_t>(address);
    options.onlyBaud = onlyBaud;
    return options;
}

bool PortIsFree() {
    CSerialPort port;
    return port.Open(kSimPortName, 57600, 0) == PortError::None;
}

// A search on a line of its own, after the simulated meter has been set up.
struct SearchLine {
    StopEvent stop;
    LineOwner line{stop};
    MeterSearch search{line};  // last: cancelled and waited for before the line goes
};

SearchStatus RunToEnd(MeterSearch& search, std::vector<SearchTry> plan) {
    EXPECT_TRUE(search.Start(kSimPortName, std::move(plan), kTurnaround));
    search.Wait();
    return search.Status();
}

TEST(MeterSearch, FindsTheMeterAtAnotherAddressAndRateThanTheStoredOnes) {
    test::SimulatedMeterPort port(MeterAt(17, 4800));
    ASSERT_TRUE(port.Start());  // stored: address 8, 57600 baud, no parity
    const SerialSettings stored = LoadSerialSettings();
    SearchScope scope = ScopeFromSettings(stored, {10, 20});
    scope.lines = SearchLines(std::vector<int>{4800, 9600, 57600}, std::vector<int>{0},
                              LineSetting{stored.baudRate, stored.parity});
    SearchLine on;
    on.line.Traffic().SetCapturing(true);
    const SearchStatus status = RunToEnd(on.search, PlanSearch(scope));

    EXPECT_EQ(status.state, SearchState::Finished);
    const std::vector<FoundMeter> expected = {{.address = 17, .line = {4800, 0}, .model = "RA03", .version = "2004"}};
    EXPECT_EQ(status.found, expected);
    EXPECT_EQ(status.triesDone, status.triesTotal);
    EXPECT_TRUE(PortIsFree());

    // The tries that failed and the one that answered are all in the line's traffic,
    // marked as the search's.
    TrafficDecoder decoder;
    std::uint64_t cursor = 0;
    decoder.ReadLines(on.line.Traffic(), cursor);
    EXPECT_EQ(decoder.Counters().goodAnswers, 1);
    EXPECT_GT(decoder.Counters().noAnswers, 10);
    EXPECT_EQ(decoder.Counters().requests, decoder.Counters().noAnswers + 1);
    std::uint64_t from = 0;
    const TrafficLog::Batch batch = on.line.Traffic().ReadFrom(from);
    EXPECT_FALSE(batch.records.empty());
    EXPECT_TRUE(std::all_of(batch.records.begin(), batch.records.end(),
                            [](const TrafficRecord& record) { return record.source == TrafficSource::Search; }));
}

TEST(MeterSearch, OnceAMeterAnsweredOtherLineSettingsAreSkipped) {
    test::SimulatedMeterPort port(MeterAt(5, 0));
    ASSERT_TRUE(port.Start());
    const SearchScope scope{.addresses = {4, 6}, .preferredAddress = std::nullopt,
                            .lines = {{57600, 0}, {38400, 0}, {19200, 0}}};
    SearchLine on;
    const SearchStatus status = RunToEnd(on.search, PlanSearch(scope));
    ASSERT_EQ(status.found.size(), 1U);
    EXPECT_EQ(status.found[0].line, (LineSetting{57600, 0}));
    // Addresses 4, 5 and 6 at the first setting, and nothing at the others.
    EXPECT_EQ(port.Meter().Requests().size(), 3U);
    EXPECT_EQ(status.triesDone, status.triesTotal);
}

TEST(MeterSearch, ACancelledSearchStopsAndLeavesThePortFree) {
    test::SimulatedMeterPort port(MeterAt(200, 0));
    ASSERT_TRUE(port.Start());
    const SearchScope scope{.addresses = {1, 150}, .preferredAddress = std::nullopt, .lines = {{1200, 2}}};
    SearchLine on;
    MeterSearch& search = on.search;
    ASSERT_TRUE(search.Start(kSimPortName, PlanSearch(scope), milliseconds(100)));
    ASSERT_TRUE(test::WaitUntil([&search] { return search.Status().triesDone >= 2; }));
    EXPECT_FALSE(PortIsFree()) << "the search holds the port while it runs";
    search.Cancel();
    search.Wait();

    const SearchStatus status = search.Status();
    EXPECT_EQ(status.state, SearchState::Cancelled);
    EXPECT_LT(status.triesDone, status.triesTotal);
    EXPECT_FALSE(status.current.has_value());
    EXPECT_TRUE(PortIsFree());
}

TEST(MeterSearch, APortThatCannotBeOpenedEndsTheSearchAndSaysWhy) {
    test::SimulatedMeterPort port;
    ASSERT_TRUE(port.Start());
    port.Settings().MapPort(kSimPortName, port.Settings().ConfigHome() + "/no-such-device");
    SearchLine on;
    const SearchStatus status = RunToEnd(on.search, {{8, {9600, 0}}});
    EXPECT_EQ(status.state, SearchState::PortFailed);
    EXPECT_EQ(status.portError, PortError::NoSuchDevice);
    EXPECT_EQ(status.triesDone, 0U);
}

TEST(MeterSearch, ASearchRightAfterADisconnectIsNotMetByTheAnswerThePollingLeftBehind) {
    test::SimulatedMeterPort port;
    ASSERT_TRUE(port.Start());
    port.Meter().SetExtraDelayMs(40);  // a poll's answer is still to come when its job has ended
    SearchLine on;
    std::mutex liveMutex;
    test::ScriptedPrompter prompter;
    LiveConnection connection(on.line, liveMutex);
    ASSERT_TRUE(connection.Connect(prompter, {}));
    ASSERT_TRUE(test::WaitUntil([&connection] { return connection.IsPolling() || !connection.Active(); }));
    ASSERT_TRUE(connection.IsPolling());
    ASSERT_TRUE(port.Meter().WaitForRequests(port.Meter().Requests().size() + 1, 10000));

    connection.Disconnect();
    // The one try asks the meter's own address at its own rate, and waits long enough for
    // its slowed answer: it can only miss the meter by taking the poll's answer for its own.
    ASSERT_TRUE(on.search.Start(kSimPortName, {{8, {57600, 0}}}, milliseconds(100)));
    on.search.Wait();
    const std::vector<FoundMeter> expected = {{.address = 8, .line = {57600, 0}, .model = "RA03", .version = "2004"}};
    EXPECT_EQ(on.search.Status().found, expected);
    EXPECT_TRUE(prompter.Entries().empty());
}

}  // namespace
}  // namespace kelvo
