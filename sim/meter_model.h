// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The meter behind the wire: its register image, the commands it carries out when the
// master writes a command register, and the live values that move.

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <vector>

#include "sim/live_motion.h"
#include "sim/meter_simulator.h"
#include "sim/register_image.h"

namespace kelvo::sim {

class MeterModel {
public:
    MeterModel(SimMeterKind kind, std::uint8_t address);

    RegisterImage& Image() { return image_; }
    const RegisterImage& Image() const { return image_; }
    SimMeterKind Kind() const { return kind_; }

    // The image of a fresh meter of the kind, its clock at the host's local time.
    void Reset(std::time_t hostTime);

    // Stores the registers as the master sent them (wire order), then carries out the
    // commands among them, in register order. Returns the names of those carried out.
    // A command register keeps the value written to it, as the meter lets it be read back.
    std::vector<std::string> Write(int start, std::span<const std::uint8_t> wireBytes, std::time_t hostTime);

    void MoveLiveValues(double elapsedSeconds, std::time_t hostTime) {
        motion_.Step(image_, elapsedSeconds, hostTime);
    }

    // The sensor behind the flow: its profile, its true factor, its zero (see SensorModel).
    LiveMotion& Motion() { return motion_; }
    // The encoding the meter's identification claims: it decides the decimals of a
    // generic meter's sensor factor.
    void SetParamEncoding(int paramEncoding);
    // The volume that truly flowed since the meter started, in the unit of its totals.
    double TrueVolume() const;

private:
    SimMeterKind kind_;
    std::uint8_t address_;
    RegisterImage image_;
    LiveMotion motion_;
};

}  // namespace kelvo::sim
