// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/live_motion.h"

#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

#include "meter/generic_map.h"
#include "meter/shared_parameters.h"
#include "meter/w58_map.h"
#include "settings/calendar_fields.h"
#include "vocabulary/value_tables.h"

namespace kelvo::sim {
namespace {

namespace live = shared_parameters;
// Both kinds keep the diameter and the clock in the same registers; the scale of the
// range (10^4) is the same too.
constexpr int kDiameterReg = ParameterNamed(w58_map::kParameters, "diameter").reg;
constexpr int kClockReg = ParameterNamed(w58_map::kParameters, "meter_clock").reg;
constexpr int kSensorFactorReg = ParameterNamed(w58_map::kParameters, "sensor_factor").reg;
static_assert(live::kFlowRange.scale == 4);
static_assert(ParameterNamed(generic_map::kParameters, "sensor_factor").reg == kSensorFactorReg &&
              ParameterNamed(generic_map::kParameters, "diameter").reg == kDiameterReg);

// Unit factors by the indices of VolumeUnits, TimeUnits, PowerUnits and EnergyUnits.
// kg and t count as litres and cubic metres of water.
constexpr std::array<double, 6> kCubicMetresPerVolumeUnit = {0.001, 1.0, 0.001, 1.0, 0.003785411784, 0.00454609};
constexpr std::array<double, 3> kSecondsPerTimeUnit = {1.0, 60.0, 3600.0};
constexpr std::array<double, 5> kPowerUnitsPerKilowatt = {1.0, 0.001, 3600.0, 3.6, 0.0036};
constexpr std::array<double, 5> kEnergyUnitsPerKilowattHour = {1.0, 0.001, 3600.0, 3.6, 0.0036};

constexpr double kWaterDensity = 1000.0;     // kg/m3
constexpr double kWaterHeatCapacity = 4.186;  // kJ/(kg·K)

template <std::size_t N>
double FactorAt(const std::array<double, N>& table, int index) {
    return TableAt(table, index).value_or(1.0);
}

// The flow in m3/s, by its unit.
double FlowCubicMetresPerSecond(const RegisterImage& image, double flow) {
    return flow * FactorAt(kCubicMetresPerVolumeUnit, image.Reg(live::kFlowUnit.reg)) /
           FactorAt(kSecondsPerTimeUnit, image.Reg(live::kFlowUnit.reg + 1));
}

double HeatPowerKilowatts(const RegisterImage& image, float flow) {
    const double deltaKelvin = static_cast<double>(image.Float(live::kSupplyTemperature.reg)) - image.Float(live::kReturnTemperature.reg);
    return FlowCubicMetresPerSecond(image, flow) * kWaterDensity * kWaterHeatCapacity * deltaKelvin;
}

bool ClockBytesToTime(const std::uint8_t (&bytes)[6], std::time_t& wallTime) {
    static constexpr int kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int month = bytes[1];
    if (bytes[0] > 99 || month < 1 || month > 12) return false;
    const bool leap = bytes[0] % 4 == 0;
    const int days = (month == 2 && !leap) ? 28 : kDaysInMonth[month - 1];
    if (bytes[2] < 1 || bytes[2] > days || bytes[3] > 23 || bytes[4] > 59 || bytes[5] > 59) return false;
    std::tm fields{};
    fields.tm_year = 100 + bytes[0];
    fields.tm_mon = month - 1;
    fields.tm_mday = bytes[2];
    fields.tm_hour = bytes[3];
    fields.tm_min = bytes[4];
    fields.tm_sec = bytes[5];
    // Wall times are kept as if they were UTC: plain arithmetic, no daylight-saving gaps.
    wallTime = UtcSeconds(fields);
    return true;
}

void WallTimeToClockBytes(std::time_t wallTime, std::uint8_t (&bytes)[6]) {
    const std::tm fields = UtcFields(wallTime);
    bytes[0] = static_cast<std::uint8_t>((fields.tm_year - 100) & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(fields.tm_mon + 1);
    bytes[2] = static_cast<std::uint8_t>(fields.tm_mday);
    bytes[3] = static_cast<std::uint8_t>(fields.tm_hour);
    bytes[4] = static_cast<std::uint8_t>(fields.tm_min);
    bytes[5] = static_cast<std::uint8_t>(fields.tm_sec);
}

std::time_t HostWallTime(std::time_t hostTime) {
    std::tm local = LocalFields(hostTime);
    return UtcSeconds(local);
}

void ReadClock(const RegisterImage& image, std::uint8_t (&bytes)[6]) {
    const std::vector<std::uint8_t> stored = image.Bytes(kClockReg, 6);
    std::memcpy(bytes, stored.data(), sizeof bytes);
}

void AddToTotal(RegisterImage& image, int reg, double amount, double& carry) {
    const double total = image.Total(reg) + carry + amount;
    image.SetTotal(reg, total);
    carry = std::max(0.0, total - image.Total(reg));
}

}  // namespace

void ClockBytesAt(std::time_t hostTime, std::uint8_t (&bytes)[6]) {
    WallTimeToClockBytes(HostWallTime(hostTime), bytes);
}

void LiveMotion::Rebase(RegisterImage& image, std::time_t hostTime) {
    factorAtRebase_ = static_cast<std::int32_t>(image.Reg32(kSensorFactorReg));
    flowShown_ = image.Float(live::kFlow.reg);
    const double gain = Gain(image);
    flowCentre_ = gain != 0 ? static_cast<float>((flowShown_ - sensor_.zeroOffset) / gain) : flowShown_;
    trueFlow_ = flowCentre_;
    profileSeconds_ = 0;
    if (TrueFlowAt(sensor_.profile, 0)) NextFlow(image);
    supply_.centre = supply_.shown = image.Float(live::kSupplyTemperature.reg);
    return_.centre = return_.shown = image.Float(live::kReturnTemperature.reg);
    forwardCarry_ = reverseCarry_ = heatCarry_ = coldCarry_ = 0.0;
    ReadClock(image, clockShown_);
    std::time_t meterTime = 0;
    clockOffsetSeconds_.reset();
    if (ClockBytesToTime(clockShown_, meterTime)) clockOffsetSeconds_ = meterTime - HostWallTime(hostTime);
    UpdateDerived(image);
}

void LiveMotion::SetSensor(RegisterImage& image, const SensorModel& sensor) {
    sensor_ = sensor;
    noise_.seed(sensor.seed);
    SetProfile(image, sensor.profile);
}

void LiveMotion::SetProfile(RegisterImage& image, const FlowProfile& profile) {
    sensor_.profile = profile;
    profileSeconds_ = 0;
    if (TrueFlowAt(profile, 0)) {
        NextFlow(image);
        UpdateDerived(image);
    }
}

double LiveMotion::TrueVolume(const RegisterImage& image) const {
    return trueCubicMetres_ / FactorAt(kCubicMetresPerVolumeUnit, image.Reg(live::kTotalsUnit.reg));
}

void LiveMotion::AutoZero(const RegisterImage& image) { sensor_.zeroOffset = -trueFlow_ * Gain(image); }

float LiveMotion::Wobble(Wobbling& value, float current, float spread) {
    if (current != value.shown) value.centre = current;
    std::uniform_real_distribution<float> offset(-spread, spread);
    value.shown = value.centre + offset(random_);
    return value.shown;
}

double LiveMotion::Gain(const RegisterImage& image) const {
    const auto factor = static_cast<std::int32_t>(image.Reg32(kSensorFactorReg));
    if (sensor_.trueFactor) {
        if (*sensor_.trueFactor <= 0) return 0.0;
        return static_cast<double>(factor) / std::pow(10.0, factorDecimals_) / *sensor_.trueFactor;
    }
    return factorAtRebase_ > 0 ? static_cast<double>(factor) / factorAtRebase_ : 1.0;
}

void LiveMotion::NextFlow(RegisterImage& image) {
    const double gain = Gain(image);
    if (const auto flow = TrueFlowAt(sensor_.profile, profileSeconds_)) {
        trueFlow_ = *flow;
    } else {
        // A flow written from outside is a reading: the true flow behind it is the new centre.
        if (const float current = image.Float(live::kFlow.reg); current != flowShown_) {
            flowCentre_ = gain != 0 ? static_cast<float>((current - sensor_.zeroOffset) / gain) : current;
        }
        std::uniform_real_distribution<float> offset(-1.0F, 1.0F);
        trueFlow_ = flowCentre_ + std::fabs(flowCentre_) * 0.015F * offset(random_);
    }
    double reading = trueFlow_ * gain + sensor_.zeroOffset;
    if (sensor_.profile.noise > 0) reading += std::normal_distribution<double>(0.0, sensor_.profile.noise)(noise_);
    flowShown_ = static_cast<float>(reading);
    image.SetFloat(live::kFlow.reg, flowShown_);
}

void LiveMotion::Step(RegisterImage& image, double elapsedSeconds, std::time_t hostTime) {
    GrowTotals(image, elapsedSeconds);
    trueCubicMetres_ += FlowCubicMetresPerSecond(image, trueFlow_) * elapsedSeconds;
    profileSeconds_ += elapsedSeconds;
    NextFlow(image);
    image.SetFloat(live::kSupplyTemperature.reg, Wobble(supply_, image.Float(live::kSupplyTemperature.reg), 0.05F));
    image.SetFloat(live::kReturnTemperature.reg, Wobble(return_, image.Float(live::kReturnTemperature.reg), 0.05F));
    UpdateDerived(image);
    TickClock(image, hostTime);
}

void LiveMotion::UpdateDerived(RegisterImage& image) const {
    const float flow = image.Float(live::kFlow.reg);
    const auto diameterMm = TableAt(DnList, image.Reg(kDiameterReg)).value_or(25);
    const double radius = diameterMm / 2000.0;
    const double area = std::numbers::pi * radius * radius;
    image.SetFloat(live::kVelocity.reg, static_cast<float>(FlowCubicMetresPerSecond(image, flow) / area));
    const double range = image.Reg32(live::kFlowRange.reg) / 10000.0;
    image.SetFloat(live::kFlowPercent.reg, range > 0.0 ? static_cast<float>(flow / range * 100.0) : 0.0F);
    const double kilowatts = HeatPowerKilowatts(image, flow);
    image.SetFloat(live::kHeatPower.reg, static_cast<float>(kilowatts * FactorAt(kPowerUnitsPerKilowatt, image.Reg(live::kPowerUnit.reg))));
}

void LiveMotion::GrowTotals(RegisterImage& image, double elapsedSeconds) {
    const float flow = image.Float(live::kFlow.reg);
    const double cubicMetres = FlowCubicMetresPerSecond(image, flow) * elapsedSeconds;
    const double inTotalUnit = cubicMetres / FactorAt(kCubicMetresPerVolumeUnit, image.Reg(live::kTotalsUnit.reg));
    if (inTotalUnit >= 0.0) {
        AddToTotal(image, live::kForwardTotal.reg, inTotalUnit, forwardCarry_);
    } else {
        AddToTotal(image, live::kReverseTotal.reg, -inTotalUnit, reverseCarry_);
    }
    const double kilowattHours = HeatPowerKilowatts(image, flow) * elapsedSeconds / 3600.0;
    const double energy = kilowattHours * FactorAt(kEnergyUnitsPerKilowattHour, image.Reg(live::kEnergyUnit.reg));
    if (energy >= 0.0) {
        AddToTotal(image, live::kHeatTotal.reg, energy, heatCarry_);
    } else {
        AddToTotal(image, live::kColdTotal.reg, -energy, coldCarry_);
    }
}

void LiveMotion::TickClock(RegisterImage& image, std::time_t hostTime) {
    std::uint8_t stored[6];
    ReadClock(image, stored);
    if (std::memcmp(stored, clockShown_, sizeof stored) != 0) {
        // Set from outside: tick on from the new time, or leave an invalid one alone
        // as a meter with a broken clock would.
        std::time_t meterTime = 0;
        std::memcpy(clockShown_, stored, sizeof stored);
        clockOffsetSeconds_.reset();
        if (ClockBytesToTime(stored, meterTime)) clockOffsetSeconds_ = meterTime - HostWallTime(hostTime);
    }
    if (!clockOffsetSeconds_) return;
    WallTimeToClockBytes(HostWallTime(hostTime) + static_cast<std::time_t>(*clockOffsetSeconds_), clockShown_);
    image.SetBytes(kClockReg, clockShown_);
}

}  // namespace kelvo::sim
