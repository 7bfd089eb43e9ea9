// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated meter reachable under the port name "SIM1" of a private settings file,
// and helpers to read the request frames it logged.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "sim/meter_simulator.h"
#include "support/temp_settings.h"

namespace kelvo::test {

inline constexpr const char* kSimPortName = "SIM1";

// The ComSet section the tests run with: 57600 baud keeps failing exchanges short.
inline std::string ComSetIni(int byteOrderMode, const std::string& portName = kSimPortName) {
    return "[ComSet]\nAddr=8\nCOM=" + portName +
           "\nBaudRate=57600\nParity=0\nReadTotalTimeoutConstant=100\nSwap=" + std::to_string(byteOrderMode) +
           "\n";
}

class SimulatedMeterPort {
public:
    explicit SimulatedMeterPort(sim::SimOptions options = DefaultOptions()) : meter_(options) {}

    static sim::SimOptions DefaultOptions() {
        sim::SimOptions options;
        options.kind = sim::SimMeterKind::W58;
        options.moveLiveValues = false;  // values change only when a test changes them
        return options;
    }

    // Starts the meter, maps SIM1 to it and writes the ComSet section.
    ::testing::AssertionResult Start(int byteOrderMode = 1) {
        if (!meter_.Start()) return ::testing::AssertionFailure() << "the simulated meter did not start";
        settings_.MapPort(kSimPortName, meter_.SlavePath());
        settings_.WriteIni(ComSetIni(byteOrderMode));
        return ::testing::AssertionSuccess();
    }

    sim::MeterSimulator& Meter() { return meter_; }
    const TempSettings& Settings() const { return settings_; }

private:
    TempSettings settings_;  // first in, last out: the meter and its link go before it
    sim::MeterSimulator meter_;
};

// One function code 0x04 request as the meter received it.
struct ReadRequest {
    int start;
    int count;
    bool operator==(const ReadRequest&) const = default;
};

inline std::vector<ReadRequest> ReadRequestsOf(const std::vector<std::vector<std::uint8_t>>& frames) {
    std::vector<ReadRequest> reads;
    for (const auto& frame : frames) {
        if (frame.size() == 8 && frame[1] == 0x04) {
            reads.push_back({frame[2] << 8 | frame[3], frame[4] << 8 | frame[5]});
        }
    }
    return reads;
}

inline std::ostream& operator<<(std::ostream& out, const ReadRequest& read) {
    return out << "{" << read.start << ", " << read.count << "}";
}

// Polls a condition until it holds or a generous time has passed.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace kelvo::test
