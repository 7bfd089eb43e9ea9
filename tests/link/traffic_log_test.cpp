// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic ring: what it keeps, what a reader gets out of it while writers go on, and
// what a link puts into it.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "link/modbus_rtu.h"
#include "link/traffic_log.h"
#include "sim/meter_simulator.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A frame that carries its own number, so that a reader can tell which record it got.
Bytes Numbered(std::uint32_t number) {
    Bytes frame(sizeof number);
    std::memcpy(frame.data(), &number, sizeof number);
    return frame;
}

std::uint32_t NumberOf(const TrafficRecord& record) {
    std::uint32_t number = 0;
    std::memcpy(&number, record.bytes.data(), sizeof number);
    return number;
}

TEST(TrafficLog, KeepsNothingWhileNobodyCaptures) {
    TrafficLog log;
    log.Record(TrafficKind::Sent, TrafficSource::Page, Numbered(1));
    std::uint64_t cursor = 0;
    const TrafficLog::Batch batch = log.ReadFrom(cursor);
    EXPECT_TRUE(batch.records.empty());
    EXPECT_EQ(batch.lost, 0U);
    EXPECT_EQ(log.End(), 0U);
}

TEST(TrafficLog, WhenFullTheNewestFramesWin) {
    TrafficLog log;
    log.SetCapturing(true);
    constexpr std::uint32_t kWritten = kTrafficCapacity + 500;
    for (std::uint32_t n = 0; n < kWritten; ++n) log.Record(TrafficKind::Received, TrafficSource::Polling, Numbered(n));

    std::uint64_t cursor = 0;
    const TrafficLog::Batch batch = log.ReadFrom(cursor);
    ASSERT_EQ(batch.records.size(), kTrafficCapacity);
    EXPECT_EQ(batch.lost, 500U);
    for (std::size_t i = 0; i < batch.records.size(); ++i) {
        ASSERT_EQ(NumberOf(batch.records[i]), 500 + i) << "oldest first, each once";
    }
    EXPECT_EQ(cursor, kWritten);
    EXPECT_TRUE(log.ReadFrom(cursor).records.empty()) << "a second read finds nothing new";
}

TEST(TrafficLog, AFrameLongerThanARecordKeepsItsStartAndItsLength) {
    TrafficLog log;
    log.SetCapturing(true);
    const Bytes noise(kTrafficKeptBytes + 100, 0x55);
    log.Record(TrafficKind::Received, TrafficSource::Search, noise);
    std::uint64_t cursor = 0;
    const TrafficLog::Batch batch = log.ReadFrom(cursor);
    ASSERT_EQ(batch.records.size(), 1U);
    EXPECT_EQ(batch.records[0].keptBytes, kTrafficKeptBytes);
    EXPECT_EQ(batch.records[0].frameBytes, noise.size());
    EXPECT_EQ(batch.records[0].source, TrafficSource::Search);
}

// A writer that never waits and a reader that comes by now and then: every record the
// reader gets is whole and in order, and every record is either read or counted as lost.
TEST(TrafficLog, AReaderFollowsAWriterThatNeverWaits) {
    TrafficLog log;
    log.SetCapturing(true);
    constexpr std::uint32_t kWritten = 20 * kTrafficCapacity;
    std::thread writer([&log] {
        for (std::uint32_t n = 0; n < kWritten; ++n) log.Record(TrafficKind::Sent, TrafficSource::Polling, Numbered(n));
    });
    std::uint64_t cursor = 0;
    std::uint64_t read = 0;
    std::uint64_t lost = 0;
    std::int64_t previous = -1;
    while (cursor < kWritten) {
        const TrafficLog::Batch batch = log.ReadFrom(cursor);
        lost += batch.lost;
        for (const TrafficRecord& record : batch.records) {
            ASSERT_EQ(record.keptBytes, 4U);
            ASSERT_GT(static_cast<std::int64_t>(NumberOf(record)), previous);
            previous = NumberOf(record);
            ++read;
        }
        std::this_thread::yield();
    }
    writer.join();
    EXPECT_EQ(read + lost, kWritten);
    EXPECT_EQ(log.Dropped(), 0U);
}

TEST(TrafficLog, ALinkLogsItsRequestsWhatCameBackAndTheWaitsThatRanOut) {
    test::TempSettings config;
    sim::SimOptions options;
    options.moveLiveValues = false;
    sim::MeterSimulator meter(options);
    ASSERT_TRUE(meter.Start());
    config.MapPort("COM1", meter.SlavePath());
    TrafficLog log;
    log.SetCapturing(true);
    CDMRJly link;
    link.SetTrafficLog(&log, TrafficSource::Page);
    SerialSettings settings;
    settings.portName = "COM1";
    settings.baudRate = 57600;
    ASSERT_TRUE(link.OpenPort(settings));

    Bytes data(4);
    ASSERT_TRUE(link.ReadRegisters(99, 4, data.data()));
    meter.SetSilent(true);
    ASSERT_FALSE(link.ReadRegisters(99, 4, data.data()));

    std::uint64_t cursor = 0;
    const TrafficLog::Batch batch = log.ReadFrom(cursor);
    std::vector<TrafficKind> kinds;
    for (const TrafficRecord& record : batch.records) {
        kinds.push_back(record.kind);
        EXPECT_EQ(record.source, TrafficSource::Page);
    }
    using enum TrafficKind;
    EXPECT_EQ(kinds, (std::vector<TrafficKind>{Sent, Received, Sent, NoAnswer, Sent, NoAnswer}));
    ASSERT_EQ(batch.records.size(), 6U);
    EXPECT_EQ(batch.records[1].frameBytes, 5U + 4U);
    // The pause after a read request and the read's total timeout at 57600 baud.
    EXPECT_EQ(batch.records[3].waitedMs, static_cast<std::uint32_t>(kReadPauseMs + 200));
}

}  // namespace
}  // namespace kelvo
