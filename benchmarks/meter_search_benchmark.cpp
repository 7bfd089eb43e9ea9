// SPDX-License-Identifier: GPL-3.0-or-later
// What a meter search costs beyond the floors of its tries (the request and the longest
// identification answer on the wire plus the turnaround), against a simulated meter that
// answers only at 9600 baud, pacing its answers at that rate on a pseudo-terminal.
//
//   cmake --build build --target meter_search_benchmark && build/benchmarks/meter_search_benchmark
//
// The plan is addresses 1..30 at 57600, 38400, 19200 and 9600 baud without parity, with the
// default turnaround of 100 ms; the meter sits at address 30, so that it answers the very
// last try and no try is skipped: every try but the last waits out its floor. Prints the
// tries, the sum of their floors and the measured time, and last "search ratio X.XXX"
// (measured / sum of floors, target at most 1.05); exits with 1 when the meter is not
// found or the ratio is above the target.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "line/line_owner.h"
#include "link/stop_event.h"
#include "search/meter_search.h"
#include "settings/settings.h"
#include "sim/meter_simulator.h"
#include "temp_config_home.h"

namespace {

constexpr int kMeterBaud = 9600;
constexpr int kMeterAddress = 30;
constexpr double kAllowedRatio = 1.05;
constexpr std::chrono::milliseconds kTurnaround{kelvo::kDefaultTurnaroundMs};

int Fail(const char* what) {
    std::fprintf(stderr, "meter_search_benchmark: %s\n", what);
    return 1;
}

}  // namespace

int main() {
    kelvo::bench::TemporaryConfigHome configHome;
    if (!configHome.Ready()) return Fail("cannot make a temporary settings folder");
    const std::filesystem::path portsFolder = std::filesystem::path(kelvo::GetSettingsFolder()) / "ports";
    std::error_code error;
    std::filesystem::create_directories(portsFolder, error);

    kelvo::sim::SimOptions options;
    options.address = kMeterAddress;
    options.onlyBaud = kMeterBaud;
    options.moveLiveValues = false;
    kelvo::sim::MeterSimulator meter(options);
    if (!meter.Start((portsFolder / "COM1").string())) return Fail("cannot start the simulated meter");

    const kelvo::SearchScope scope{.addresses = {1, kMeterAddress},
                                   .preferredAddress = std::nullopt,
                                   .lines = {{57600, 0}, {38400, 0}, {19200, 0}, {kMeterBaud, 0}}};
    const std::vector<kelvo::SearchTry> plan = kelvo::PlanSearch(scope);
    const std::chrono::duration<double, std::milli> floors = kelvo::PlanTime(plan, kTurnaround);

    kelvo::StopEvent stop;
    kelvo::LineOwner line(stop);
    kelvo::MeterSearch search(line);
    // Timed from the start, as the user waits: handing the search to the line's worker counts.
    const auto start = std::chrono::steady_clock::now();
    if (!search.Start("COM1", plan, kTurnaround)) return Fail("cannot start the search");
    search.Wait();
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;

    const kelvo::SearchStatus status = search.Status();
    if (status.found.size() != 1 || status.found[0].address != kMeterAddress) return Fail("the meter was not found");
    const double ratio = elapsed.count() / floors.count();
    std::printf("%zu tries: addresses 1..%d at 57600, 38400, 19200 and 9600 baud, turnaround %lld ms\n", plan.size(),
                kMeterAddress, static_cast<long long>(kTurnaround.count()));
    std::printf("sum of the floors  %.1f ms (%.2f ms per try)\n", floors.count(), floors.count() / plan.size());
    std::printf("measured           %.1f ms (%.2f ms per try)\n", elapsed.count(), elapsed.count() / plan.size());
    std::printf("search ratio %.3f\n", ratio);
    return ratio <= kAllowedRatio ? 0 : 1;
}
