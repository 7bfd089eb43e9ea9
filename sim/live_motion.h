// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What makes a simulated meter look alive: once a second the flow follows its profile (or
// wobbles around its value) and the temperatures wobble, velocity, percentage and heat
// power follow, the totals grow, and the meter clock keeps ticking from the host clock.

#include <cstdint>
#include <ctime>
#include <optional>
#include <random>

#include "sim/flow_profile.h"
#include "sim/register_image.h"

namespace kelvo::sim {

// The meter clock of registers 273..275 for a host time (local wall time).
void ClockBytesAt(std::time_t hostTime, std::uint8_t (&bytes)[6]);

// The sensor behind the reading. The meter reads the true flow × its sensor factor ÷ the
// factor the sensor truly has: a meter whose factor is 2 % too high reads 2 % too much,
// and writing the factor present × reference ÷ measured brings its error to about zero.
// Unless told otherwise, the sensor's true factor is the one the meter held when its image
// was made, so a fresh meter reads true.
struct SensorModel {
    FlowProfile profile;
    std::optional<double> trueFactor;
    // The flow the meter reads with nothing flowing, until an auto zero takes the present
    // reading as zero (as a real meter zeroes whatever flows).
    double zeroOffset = 0;
    std::uint32_t seed = 1;  // of the noise on the reading
};

class LiveMotion {
public:
    // Takes the image's present flow, temperatures and clock as the values to move
    // around, and brings the derived values (velocity, percentage, heat power) in line.
    void Rebase(RegisterImage& image, std::time_t hostTime);

    // One step of elapsedSeconds. The totals first grow by the flow the meter showed over
    // the elapsed time, so that they integrate the reported flow; then the flow takes its
    // next value. A value that someone else changed since the last step (a test, or a write
    // from the master) becomes the new centre of the wobble; a clock set to a valid time
    // ticks on from there.
    void Step(RegisterImage& image, double elapsedSeconds, std::time_t hostTime);

    // A new sensor (its profile starts again at 0 s, its noise from its seed) and a
    // reading to match at once.
    void SetSensor(RegisterImage& image, const SensorModel& sensor);
    const SensorModel& Sensor() const { return sensor_; }
    // A new profile, from 0 s, with a reading to match; the rest of the sensor stays.
    void SetProfile(RegisterImage& image, const FlowProfile& profile);
    // From the next step on.
    void SetTrueFactor(std::optional<double> factor) { sensor_.trueFactor = factor; }
    void SetZeroOffset(double flow) { sensor_.zeroOffset = flow; }
    // The decimals of the sensor factor register (5; 4 for a generic meter of the legacy
    // encoding), by which a true factor given as a number is compared with it.
    void SetFactorDecimals(int decimals) { factorDecimals_ = decimals; }
    // The meter's auto zero: the present reading, noise aside, becomes its zero.
    void AutoZero(const RegisterImage& image);
    // The volume that truly flowed through the sensor since the meter started, forward
    // minus reverse, in the unit of the image's totals: what they would have grown by, had
    // the meter read true. It grows at the steps, as the totals do.
    double TrueVolume(const RegisterImage& image) const;

private:
    struct Wobbling {
        float centre = 0.0F;
        float shown = 0.0F;  // what the last step wrote
    };
    float Wobble(Wobbling& value, float current, float spread);
    // What the meter reads of a true flow: × sensor factor ÷ true factor.
    double Gain(const RegisterImage& image) const;
    void NextFlow(RegisterImage& image);
    void UpdateDerived(RegisterImage& image) const;
    void GrowTotals(RegisterImage& image, double elapsedSeconds);
    void TickClock(RegisterImage& image, std::time_t hostTime);

    Wobbling supply_;
    Wobbling return_;
    SensorModel sensor_;
    double profileSeconds_ = 0;
    double trueFlow_ = 0;       // through the sensor since the last step, in the flow unit
    float flowCentre_ = 0.0F;   // of the wobble, a true flow
    float flowShown_ = 0.0F;    // what the last step wrote into the flow register
    double trueCubicMetres_ = 0;
    std::int32_t factorAtRebase_ = 0;  // the sensor factor register when the image was made
    int factorDecimals_ = 5;
    // Growth below one thousandth, carried to the next step so slow flows still count.
    double forwardCarry_ = 0.0;
    double reverseCarry_ = 0.0;
    double heatCarry_ = 0.0;
    double coldCarry_ = 0.0;
    std::uint8_t clockShown_[6] = {};
    // Meter time minus host wall time; empty while the clock holds an invalid time.
    std::optional<long long> clockOffsetSeconds_;
    std::minstd_rand random_{58};
    std::mt19937 noise_{1};
};

}  // namespace kelvo::sim
