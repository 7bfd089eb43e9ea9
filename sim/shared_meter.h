// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the serving thread and the caller's thread both touch, behind one mutex.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "meter/meter_identity.h"
#include "sim/fault_switches.h"
#include "sim/meter_model.h"
#include "sim/meter_simulator.h"

namespace kelvo::sim {

struct SharedMeter {
    explicit SharedMeter(const SimOptions& options)
        : address(options.address),
          moveLiveValues(options.moveLiveValues),
          setUpFaults(FaultsOf(options)),
          requestLogLimit(options.requestLogLimit),
          meter(options.kind, options.address),
          faults(setUpFaults),
          random(options.seed) {
        SetIdentification(options.model, options.version);
        meter.Motion().SetSensor(meter.Image(), {.profile = options.flow,
                                                 .trueFactor = options.trueFactor,
                                                 .zeroOffset = options.zeroOffset,
                                                 .seed = options.seed});
    }

    static FaultSwitches FaultsOf(const SimOptions& options) {
        FaultSwitches set;
        set.paceBaud = options.paceBaud;
        set.onlyBaud = options.onlyBaud;
        set.onlyParity = options.onlyParity;
        set.dropShare = options.dropShare;
        set.garbleShare = options.garbleShare;
        return set;
    }

    // Under the mutex. Trims in halves so that a long run costs little per frame.
    void LogRequest(const std::vector<std::uint8_t>& frame) {
        requests.push_back(frame);
        if (requestLogLimit > 0 && requests.size() >= 2 * requestLogLimit) {
            requests.erase(requests.begin(), requests.end() - static_cast<long>(requestLogLimit));
        }
    }

    void SetIdentification(const std::string& model, const std::string& version) {
        std::vector<std::uint8_t> bytes(model.begin(), model.end());
        bytes.insert(bytes.end(), version.begin(), version.end());
        UseIdentification(std::move(bytes));
    }

    // The meter's own encoding follows what it claims to be.
    void UseIdentification(std::vector<std::uint8_t> bytes) {
        identification = std::move(bytes);
        meter.SetParamEncoding(
            DecodeIdentification(identification.data(), static_cast<int>(identification.size())).paramEncoding);
    }

    // Fixed for the life of the simulator.
    const std::uint8_t address;
    const bool moveLiveValues;
    const FaultSwitches setUpFaults;  // what ClearFaults returns to
    const std::size_t requestLogLimit;

    mutable std::mutex mutex;
    mutable std::condition_variable framesArrived;
    MeterModel meter;
    std::vector<std::uint8_t> identification;
    FaultSwitches faults;
    std::mt19937 random;
    std::vector<std::vector<std::uint8_t>> requests;
    std::vector<std::string> commands;
    SimEventSink sink;
};

}  // namespace kelvo::sim
