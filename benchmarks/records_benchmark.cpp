// SPDX-License-Identifier: GPL-3.0-or-later
// What a backup and a restore of a W58 meter cost at 9600 baud, against what their
// requests demand: for each exchange the pause after the request, the answer on the wire
// (the simulated meter paces it and starts at once, so it overlaps the pause; the
// pseudo-terminal carries requests at once) and the read's wait for the interval timeout,
// plus the 200 ms between the blocks of a download.
//
//   cmake --build build --target records_benchmark && build/benchmarks/records_benchmark
//
// Last line: "backup ratio X.XXX, restore ratio Y.YYY" (measured / demanded).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "link/answer_check.h"
#include "link/modbus_frames.h"
#include "link/modbus_rtu.h"
#include "link/traffic_log.h"
#include "link/wire_time.h"
#include "pages/page_definition.h"
#include "records/meter_reading.h"
#include "records/restore.h"
#include "settings/settings.h"
#include "sim/meter_simulator.h"
#include "temp_config_home.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBaud = 9600;

double Ms(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

// The time the exchanges the log holds from `cursor` on demand, by the rules above.
double FloorMs(kelvo::TrafficLog& log, std::uint64_t& cursor) {
    const auto batch = log.ReadFrom(cursor);
    const int intervalMs = kelvo::TimeoutsForBaud(kBaud).intervalMs;
    double floor = 0;
    int writes = 0;
    for (const kelvo::TrafficRecord& record : batch.records) {
        if (record.kind != kelvo::TrafficKind::Sent) continue;
        const auto request = record.Kept();
        const int pause = request[1] == kelvo::kReadInputRegisters       ? kelvo::kReadPauseMs
                          : request[1] == kelvo::kWriteMultipleRegisters ? kelvo::kWritePauseMs
                                                                         : kelvo::kIdentifyPauseMs;
        if (request[1] == kelvo::kWriteMultipleRegisters) ++writes;
        const int answerBytes = request[1] == kelvo::kIdentify ? 4 + 8 + 2 : static_cast<int>(kelvo::LongestAnswerTo(request));
        const double answerMs = Ms(kelvo::WireTime(answerBytes, kBaud, 0));
        floor += std::max<double>(pause, answerMs) + intervalMs;
    }
    return floor + std::max(0, writes - 1) * kelvo::kBatchPauseMs;
}

}  // namespace

int main() {
    kelvo::bench::TemporaryConfigHome home;
    if (!home.Ready()) return 1;
    std::filesystem::create_directories(std::filesystem::path(kelvo::GetSettingsFolder()) / "ports");

    kelvo::sim::SimOptions options;
    options.kind = kelvo::sim::SimMeterKind::W58;
    options.paceBaud = kBaud;
    options.moveLiveValues = false;
    kelvo::sim::MeterSimulator meter(options);
    if (!meter.Start(kelvo::GetSettingsFolder() + "/ports/SIM1")) return 1;

    kelvo::SerialSettings settings;
    settings.portName = "SIM1";
    settings.baudRate = kBaud;
    kelvo::TrafficLog log;
    log.SetCapturing(true);
    kelvo::CDMRJly link;
    link.SetTrafficLog(&log, kelvo::TrafficSource::Page);
    if (!link.OpenPort(settings)) return 1;

    auto started = Clock::now();
    const kelvo::MeterReading backup = kelvo::ReadMeter(link, settings, kelvo::kW58Meter);
    const double backupMs = Ms(Clock::now() - started);
    std::uint64_t cursor = 0;
    const double backupFloor = FloorMs(log, cursor);
    if (!backup.record) {
        std::fprintf(stderr, "the backup failed: %s\n", kelvo::ReadingFailureText(backup).c_str());
        return 1;
    }

    // Three parameters in three download blocks differ from the backup.
    meter.SetReg32(139, 250000);
    meter.SetReg(142, 9);
    meter.SetReg(196, 1);
    std::vector<std::string> unknown;
    const auto choices = kelvo::RestoreChoices(*backup.record, {}, unknown);
    started = Clock::now();
    const kelvo::RestoreOutcome restored =
        kelvo::Restore(link, settings, kelvo::kW58Meter, choices, [](const std::string&) { return true; });
    const double restoreMs = Ms(Clock::now() - started);
    const double restoreFloor = FloorMs(log, cursor);
    if (!restored.Complete()) {
        std::fprintf(stderr, "the restore failed: %s\n", kelvo::DescribeRestore(restored).detail.c_str());
        return 1;
    }

    std::printf("backup:  %zu parameters, %8.1f ms, floor %8.1f ms\n", backup.record->values.size(), backupMs,
                backupFloor);
    std::printf("restore: %d changed,     %8.1f ms, floor %8.1f ms\n", restored.changes, restoreMs, restoreFloor);
    std::printf("backup ratio %.3f, restore ratio %.3f\n", backupMs / backupFloor, restoreMs / restoreFloor);
    return 0;
}
