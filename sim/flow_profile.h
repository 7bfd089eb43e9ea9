// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the true flow through the simulated sensor runs over time: wobbling around a value
// (the meter as it always moved), constant, in steps, along a ramp or a sine. Values are in
// the meter's flow unit (registers 115-116), times in seconds since the profile began.

#include <optional>
#include <string_view>
#include <vector>

namespace kelvo::sim {

enum class FlowShape {
    Wobble,    // ±1.5 % around the flow in the image; a flow written from outside becomes the centre
    Constant,  // values[0]
    Steps,     // values in turn, each held periodSeconds, then again from the first
    Ramp,      // from values[0] to values[1] in periodSeconds, then held at values[1]
    Sine,      // values[0] + values[1] × sin(2π t / periodSeconds)
};

struct FlowProfile {
    FlowShape shape = FlowShape::Wobble;
    std::vector<double> values;
    double periodSeconds = 60;
    // Standard deviation of the noise on what the meter reads, in the flow unit; the noise is
    // drawn from a random source seeded by SimOptions::seed, so a run can be repeated.
    double noise = 0;

    bool operator==(const FlowProfile&) const = default;
};

// The true flow `seconds` after the profile began; nullopt for Wobble, whose flow follows
// the image, and for a profile without the values its shape needs.
std::optional<double> TrueFlowAt(const FlowProfile& profile, double seconds);

// "constant:12.5", "steps:0,5,10", "ramp:0,20", "sine:12.5,2", "wobble"; the period and the
// noise are left as they are. nullopt when the text is none of these.
std::optional<FlowProfile> ParseFlowProfile(std::string_view text);

}  // namespace kelvo::sim
