// A meter search against the simulated meter: it finds a meter whose address and rate
// are not the stored ones, stops at a cancel with the port free, and says when the port
// cannot be opened. The tries wait 20 ms for the meter instead of 100 ms, and a few line
// settings stand for all of them, so that the whole file runs in seconds.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "link/serial_port.h"
#include "link/traffic_log.h"
#include "monitor/meter_search.h"
#include "monitor/traffic_text.h"
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
    return port.Open(kSimPortName, 57600, 0) >= 0;
}

SearchStatus RunToEnd(MeterSearch& search, std::vector<SearchTry> plan, TrafficLog* log = nullptr) {
    EXPECT_TRUE(search.Start(kSimPortName, std::move(plan), kTurnaround, log));
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
    TrafficLog log;
    log.SetCapturing(true);

    MeterSearch search;
    const SearchStatus status = RunToEnd(search, PlanSearch(scope), &log);

    EXPECT_EQ(status.state, SearchState::Finished);
    const std::vector<FoundMeter> expected = {{.address = 17, .line = {4800, 0}, .model = "RA03", .version = "2004"}};
    EXPECT_EQ(status.found, expected);
    EXPECT_EQ(status.triesDone, status.triesTotal);
    EXPECT_TRUE(PortIsFree());

    // The tries that failed and the one that answered are all in the traffic.
    TrafficDecoder decoder;
    std::uint64_t cursor = 0;
    decoder.ReadLines(log, cursor);
    EXPECT_EQ(decoder.Counters().goodAnswers, 1);
    EXPECT_GT(decoder.Counters().noAnswers, 10);
    EXPECT_EQ(decoder.Counters().requests, decoder.Counters().noAnswers + 1);
}

TEST(MeterSearch, OnceAMeterAnsweredOtherLineSettingsAreSkipped) {
    test::SimulatedMeterPort port(MeterAt(5, 0));
    ASSERT_TRUE(port.Start());
    const SearchScope scope{.addresses = {4, 6}, .preferredAddress = std::nullopt,
                            .lines = {{57600, 0}, {38400, 0}, {19200, 0}}};
    MeterSearch search;
    const SearchStatus status = RunToEnd(search, PlanSearch(scope));
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
    MeterSearch search;
    ASSERT_TRUE(search.Start(kSimPortName, PlanSearch(scope), milliseconds(100), nullptr));
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
    MeterSearch search;
    const SearchStatus status = RunToEnd(search, {{8, {9600, 0}}});
    EXPECT_EQ(status.state, SearchState::PortFailed);
    EXPECT_EQ(status.portError, PortError::NoSuchDevice);
    EXPECT_EQ(status.triesDone, 0U);
}

}  // namespace
}  // namespace kelvo
