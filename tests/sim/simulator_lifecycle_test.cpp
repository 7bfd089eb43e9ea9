// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator as a fixture and a program part: its link, its live values, its stop.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "link/byte_order.h"
#include "sim/meter_simulator.h"
#include "wire_port.h"

namespace kelvo::sim::test {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "kelvo-sim-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    fs::path Path() const { return path_; }

private:
    std::string path_;
};

// Polls with a generous timeout: the live values move once a second.
bool Eventually(const std::function<bool()>& condition, int timeoutMs = 8000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

TEST(SimulatorLink, PointsAtTheDeviceWhileServingAndGoesAtStop) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> prepare;
    };
    const Case cases[] = {
        {"nothing there yet", [](const fs::path&) {}},
        {"a stale link is replaced", [](const fs::path& link) { fs::create_symlink("/dev/null", link); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const fs::path link = folder.Path() / "COM7";
        c.prepare(link);
        {
            MeterSimulator sim;
            ASSERT_TRUE(sim.Start(link.string()));
            EXPECT_EQ(fs::read_symlink(link).string(), sim.SlavePath());
            WirePort port(link.string());
            EXPECT_EQ(port.Transact(WithCrc({8, 0x04, 0x00, 0x95, 0x00, 0x01})).size(), 7U);
        }
        EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    }
}

TEST(SimulatorLink, NeverReplacesAFileThatIsNotALink) {
    TempFolder folder;
    const fs::path path = folder.Path() / "notes.txt";
    std::ofstream(path) << "keep me";
    MeterSimulator sim;
    EXPECT_FALSE(sim.Start(path.string()));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
}

TEST(SimulatorLifecycle, StopWakesAThreadThatIsHoldingBackAnAnswer) {
    const std::function<void(MeterSimulator&)> holds[] = {
        [](MeterSimulator& s) { s.SetExtraDelayMs(600000); },
        [](MeterSimulator& s) { s.SetPaceBaud(1); },  // ten seconds per byte
    };
    for (const auto& hold : holds) {
        MeterSimulator sim;
        ASSERT_TRUE(sim.Start());
        hold(sim);
        WirePort port(sim.SlavePath());
        port.Send(WithCrc({8, 0x04, 0x00, 0x63, 0x00, 0x02}));
        ASSERT_TRUE(sim.WaitForRequests(1, 5000));
        sim.Stop();  // a hang here ends the test by its timeout
        EXPECT_TRUE(sim.Start()) << "a stopped simulator starts again";
    }
}

TEST(SimulatorLifecycle, ALimitedRequestLogKeepsTheLatestFrames) {
    SimOptions options;
    options.requestLogLimit = 3;
    MeterSimulator sim(options);
    ASSERT_TRUE(sim.Start());
    WirePort port(sim.SlavePath());
    Bytes last;
    for (std::uint8_t reg = 0; reg < 10; ++reg) {
        last = WithCrc({8, 0x04, 0x00, reg, 0x00, 0x01});
        ASSERT_EQ(port.Transact(last).size(), 7U);
    }
    const std::vector<Bytes> log = sim.Requests();
    EXPECT_GE(log.size(), 3U);
    EXPECT_LT(log.size(), 6U);
    EXPECT_EQ(log.back(), last);
}

TEST(SimulatorLiveValues, FlowWobblesAroundItsValueAndTotalsGrow) {
    MeterSimulator sim;  // live values move by default
    const double totalBefore = sim.Reg32(107) + sim.Reg32(109) / 1000.0;
    ASSERT_TRUE(sim.Start());
    EXPECT_TRUE(Eventually([&] { return sim.Reg32(107) + sim.Reg32(109) / 1000.0 > totalBefore; }));
    EXPECT_NEAR(sim.Float(99), 12.5F, 12.5F * 0.02F);
    EXPECT_NEAR(sim.Float(121), 65.3F, 0.1F);
    // One read of registers 99..104, so flow and percentage come from the same step.
    std::vector<std::uint8_t> live = sim.Bytes(99, 12);
    Reorder32(&live[0], kDefaultByteOrderMode);
    Reorder32(&live[8], kDefaultByteOrderMode);
    EXPECT_NEAR(LoadFloat(&live[8]), LoadFloat(&live[0]) / 20.0F * 100.0F, 0.01F) << "the percentage follows";

    sim.SetFloat(99, 100.0F);
    EXPECT_TRUE(Eventually([&] { return sim.Float(99) != 100.0F; }));
    EXPECT_NEAR(sim.Float(99), 100.0F, 2.0F) << "a flow set from outside becomes the new centre";
}

std::time_t ClockOf(const MeterSimulator& sim) {
    const std::vector<std::uint8_t> b = sim.Bytes(273, 6);
    std::tm fields{};
    fields.tm_year = 100 + b[0];
    fields.tm_mon = b[1] - 1;
    fields.tm_mday = b[2];
    fields.tm_hour = b[3];
    fields.tm_min = b[4];
    fields.tm_sec = b[5];
    return timegm(&fields);
}

TEST(SimulatorLiveValues, TheMeterClockTicksOnFromWhatWasWritten) {
    MeterSimulator sim;
    ASSERT_TRUE(sim.Start());
    WirePort port(sim.SlavePath());
    const Bytes leapDayEvening = {8, 0x10, 0x01, 0x11, 0x00, 0x03, 0x06, 24, 2, 29, 23, 59, 58};
    ASSERT_EQ(port.Transact(WithCrc(leapDayEvening)).size(), 8U);
    std::tm written{};
    written.tm_year = 124;
    written.tm_mon = 1;
    written.tm_mday = 29;
    written.tm_hour = 23;
    written.tm_min = 59;
    written.tm_sec = 58;
    const std::time_t start = timegm(&written);
    EXPECT_TRUE(Eventually([&] { return ClockOf(sim) >= start + 2; }));
    EXPECT_LT(ClockOf(sim), start + 60) << "into March 2024, not somewhere else";

    const std::vector<std::uint8_t> broken = {24, 13, 1, 0, 0, 0};
    sim.SetBytes(273, broken);
    const float flow = sim.Float(99);
    ASSERT_TRUE(Eventually([&] { return sim.Float(99) != flow; })) << "a live step passed";
    EXPECT_EQ(sim.Bytes(273, 6), broken) << "an invalid time stays as it was written";
}

}  // namespace
}  // namespace kelvo::sim::test
