#pragma once
// What makes a simulated meter look alive: once a second the flow and the temperatures
// wobble around their values, velocity, percentage and heat power follow, the totals
// grow, and the meter clock keeps ticking from the host clock.

#include <cstdint>
#include <ctime>
#include <optional>
#include <random>

#include "sim/register_image.h"

namespace kelvo::sim {

// The meter clock of registers 273..275 for a host time (local wall time).
void ClockBytesAt(std::time_t hostTime, std::uint8_t (&bytes)[6]);

class LiveMotion {
public:
    // Takes the image's present flow, temperatures and clock as the values to move
    // around, and brings the derived values (velocity, percentage, heat power) in line.
    void Rebase(RegisterImage& image, std::time_t hostTime);

    // One step of elapsedSeconds. A value that someone else changed since the last step
    // (a test, or a write from the master) becomes the new centre of the wobble; a clock
    // set to a valid time ticks on from there.
    void Step(RegisterImage& image, double elapsedSeconds, std::time_t hostTime);

private:
    struct Wobbling {
        float centre = 0.0F;
        float shown = 0.0F;  // what the last step wrote
    };
    float Wobble(Wobbling& value, float current, float spread);
    void UpdateDerived(RegisterImage& image) const;
    void GrowTotals(RegisterImage& image, double elapsedSeconds);
    void TickClock(RegisterImage& image, std::time_t hostTime);

    Wobbling flow_;
    Wobbling supply_;
    Wobbling return_;
    // Growth below one thousandth, carried to the next step so slow flows still count.
    double forwardCarry_ = 0.0;
    double reverseCarry_ = 0.0;
    double heatCarry_ = 0.0;
    double coldCarry_ = 0.0;
    std::uint8_t clockShown_[6] = {};
    // Meter time minus host wall time; empty while the clock holds an invalid time.
    std::optional<long long> clockOffsetSeconds_;
    std::minstd_rand random_{58};
};

}  // namespace kelvo::sim
