// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/meter_defaults.h"

#include <array>
#include <string_view>

#include "meter/register_maps.h"
#include "meter/value_codec.h"
#include "settings/settings.h"

namespace kelvo::sim {
namespace {

// A fresh meter's value of a parameter, as a page shows it (20 for a range of 20.0, the
// list index for a list); the register map says how it lies in the registers.
struct Default {
    std::string_view name;
    double value;
};

// Values of both kinds; a kind takes those its map has. The velocity, the percentage and
// the heat power follow the flow and the temperatures as the meter runs.
constexpr auto kDefaults = std::to_array<Default>({
    {"flow", 12.5},  // m3/h
    {"mt", 0.85},
    {"forward_total", 1234.567},
    {"reverse_total", 12.345},
    {"flow_unit", 5},  // m3/h
    {"totals_unit", 1},  // m3
    {"supply_temperature", 65.3},
    {"return_temperature", 48.7},
    {"heat_total", 5678.901},
    {"cold_total", 23.456},
    {"flow_range", 20.0},  // the 12.5 m3/h flow is 62.5 %
    {"low_flow_cutoff", 1.0},
    {"time_constant", 4},
    {"sensor_factor", 1.0},
    {"diameter", 1},  // DN25 on a W58 meter's list
    {"empty_pipe_detection", 1},
    {"empty_pipe_threshold", 30},
    {"meter_baud_rate", 3},  // 9600
    {"correction_point_1", 0.5},
    {"correction_factor_1", 1.0},
    {"correction_point_2", 1.0},
    {"correction_factor_2", 1.0},
    {"correction_point_3", 2.0},
    {"correction_factor_3", 1.0},
    {"correction_point_4", 5.0},
    {"correction_factor_4", 1.0},
    {"fluid_density", 1.0},
    {"spike_time", 2},
    {"frequency_upper_limit", 2000.0},
    {"pulse_equivalent", 1.0},
    {"alarm_upper_limit", 100.0},
    {"alarm_lower_limit", 5.0},
    {"alarm_hysteresis", 2.0},
    {"empty_pipe_upper_limit", 3000},
    {"empty_pipe_lower_limit", 500},
    {"meter_number", 12345678},
    {"excitation_frequency", 1},  // 6.25 Hz
    {"power_upper_limit", 500.0},
    {"temperature_damping", 5},
    {"energy_pulse_equivalent", 1.0},
    {"pressure_option", 1},  // 1.6 MPa
    {"specific_heat", 4.18},
    {"density", 1000.0},
    {"small_temperature_difference", 0.5},
    {"return_compensation", -0.1},
    {"inertial_threshold", 0.5},
    {"excitation_current", 125.0},
    {"inertial_time", 3},
    {"velocity_limit", 10.0},
    {"spike_coefficient", 0.8},
    {"empty_pipe_hysteresis", 10},
    {"converter_factor", 1.0},
    {"zero_correction", 0.0025},
    {"zero_point", -1.234},
    {"startup_flow", 0.05},
    {"empty_pipe_count", 3},
});

// Where a generic meter differs: a DN50 sensor (current diameter encoding) with a range
// to match.
constexpr auto kGenericDefaults = std::to_array<Default>({
    {"flow_range", 35.0},
    {"diameter", 13},  // DnList index of DN50
    {"low_flow_cutoff", 0.5},
});

constexpr bool NamedInAMap(std::span<const Default> defaults) {
    for (const Default& entry : defaults) {
        if (!FindParameter(generic_map::kParameters, entry.name) && !FindParameter(w58_map::kParameters, entry.name)) {
            return false;
        }
    }
    return true;
}
static_assert(NamedInAMap(kDefaults) && NamedInAMap(kGenericDefaults),
              "every default names a parameter of a register map");

// Values go in as a meter of the current parameter encoding, in byte-order mode 1, keeps them.
constexpr CodecContext kStored{.byteOrderMode = 1, .paramEncoding = 1};

void Put(RegisterImage& image, const Parameter& parameter, double value) {
    if (parameter.Registers() == 0) return;
    // Lists and integers take the integer, decimals the number.
    const FieldValue field{.integer = static_cast<long long>(value), .integer2 = 0, .real = value};
    std::array<std::uint8_t, 8> wire{};
    if (!EncodeRow(parameter, field, kStored, wire.data()).ok) return;
    image.SetBytes(parameter.reg, std::span(wire).first(static_cast<std::size_t>(parameter.Bytes())));
}

void Apply(RegisterImage& image, const RegisterMap& map, std::span<const Default> defaults) {
    for (const Default& entry : defaults) {
        if (const auto parameter = FindParameter(map.parameters, entry.name)) Put(image, *parameter, entry.value);
    }
}

}  // namespace

void FillDefaultImage(RegisterImage& image, SimMeterKind kind, std::uint8_t address,
                      const std::uint8_t (&clockBytes)[6]) {
    const RegisterMap& map = RegisterMapOf(kind == SimMeterKind::W58 ? kW58Meter : kGenericMeter);
    image.Clear();
    // Every 32-bit value below is stored in this mode, so it goes in first.
    image.SetReg(kByteOrderRegister, 1);
    Apply(image, map, kDefaults);
    if (kind == SimMeterKind::Generic) Apply(image, map, kGenericDefaults);
    image.SetReg(ParameterNamed(w58_map::kParameters, "meter_address").reg, address);
    image.SetBytes(ParameterNamed(w58_map::kParameters, "meter_clock").reg, clockBytes);
}

}  // namespace kelvo::sim
