// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/flow_profile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string>

namespace kelvo::sim {
namespace {

struct ShapeName {
    std::string_view name;
    FlowShape shape;
    std::size_t fewest;  // values the shape needs
    std::size_t most;
};
constexpr std::array<ShapeName, 5> kShapes = {{
    {"wobble", FlowShape::Wobble, 0, 0},
    {"constant", FlowShape::Constant, 1, 1},
    {"steps", FlowShape::Steps, 1, 64},
    {"ramp", FlowShape::Ramp, 2, 2},
    {"sine", FlowShape::Sine, 2, 2},
}};

const ShapeName& NameOf(FlowShape shape) {
    return *std::find_if(kShapes.begin(), kShapes.end(), [shape](const ShapeName& s) { return s.shape == shape; });
}

std::optional<double> Number(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

std::optional<double> TrueFlowAt(const FlowProfile& profile, double seconds) {
    const ShapeName& shape = NameOf(profile.shape);
    const auto& v = profile.values;
    if (profile.shape == FlowShape::Wobble || v.size() < shape.fewest) return std::nullopt;
    const double period = profile.periodSeconds > 0 ? profile.periodSeconds : 1.0;
    switch (profile.shape) {
        case FlowShape::Wobble: break;
        case FlowShape::Constant: return v[0];
        case FlowShape::Steps: {
            const auto step = static_cast<long long>(std::floor(std::max(seconds, 0.0) / period));
            return v[static_cast<std::size_t>(step % static_cast<long long>(v.size()))];
        }
        case FlowShape::Ramp: return v[0] + (v[1] - v[0]) * std::clamp(seconds / period, 0.0, 1.0);
        case FlowShape::Sine: return v[0] + v[1] * std::sin(2.0 * std::numbers::pi * seconds / period);
    }
    return std::nullopt;
}

std::optional<FlowProfile> ParseFlowProfile(std::string_view text) {
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const auto shape = std::find_if(kShapes.begin(), kShapes.end(), [name](const ShapeName& s) { return s.name == name; });
    if (shape == kShapes.end()) return std::nullopt;
    FlowProfile profile;
    profile.shape = shape->shape;
    if (colon != std::string_view::npos) {
        std::string_view rest = text.substr(colon + 1);
        for (;;) {
            const std::size_t comma = rest.find(',');
            const auto value = Number(rest.substr(0, comma));
            if (!value) return std::nullopt;
            profile.values.push_back(*value);
            if (comma == std::string_view::npos) break;
            rest = rest.substr(comma + 1);
        }
    }
    if (profile.values.size() < shape->fewest || profile.values.size() > shape->most) return std::nullopt;
    return profile;
}

}  // namespace kelvo::sim
