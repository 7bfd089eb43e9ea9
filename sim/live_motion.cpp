#include "sim/live_motion.h"

#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

#include "tables/value_tables.h"

namespace kelvo::sim {
namespace {

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

// Flow of registers 99..100 in m3/s, by the unit of registers 115/116.
double FlowCubicMetresPerSecond(const RegisterImage& image, float flow) {
    return flow * FactorAt(kCubicMetresPerVolumeUnit, image.Reg(115)) /
           FactorAt(kSecondsPerTimeUnit, image.Reg(116));
}

double HeatPowerKilowatts(const RegisterImage& image, float flow) {
    const double deltaKelvin = static_cast<double>(image.Float(121)) - image.Float(123);
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
    wallTime = timegm(&fields);
    return true;
}

void WallTimeToClockBytes(std::time_t wallTime, std::uint8_t (&bytes)[6]) {
    std::tm fields{};
    gmtime_r(&wallTime, &fields);
    bytes[0] = static_cast<std::uint8_t>((fields.tm_year - 100) & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(fields.tm_mon + 1);
    bytes[2] = static_cast<std::uint8_t>(fields.tm_mday);
    bytes[3] = static_cast<std::uint8_t>(fields.tm_hour);
    bytes[4] = static_cast<std::uint8_t>(fields.tm_min);
    bytes[5] = static_cast<std::uint8_t>(fields.tm_sec);
}

std::time_t HostWallTime(std::time_t hostTime) {
    std::tm local{};
    localtime_r(&hostTime, &local);
    return timegm(&local);
}

void ReadClock(const RegisterImage& image, std::uint8_t (&bytes)[6]) {
    const std::vector<std::uint8_t> stored = image.Bytes(273, 6);
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
    flow_.centre = flow_.shown = image.Float(99);
    supply_.centre = supply_.shown = image.Float(121);
    return_.centre = return_.shown = image.Float(123);
    forwardCarry_ = reverseCarry_ = heatCarry_ = coldCarry_ = 0.0;
    ReadClock(image, clockShown_);
    std::time_t meterTime = 0;
    clockOffsetSeconds_.reset();
    if (ClockBytesToTime(clockShown_, meterTime)) clockOffsetSeconds_ = meterTime - HostWallTime(hostTime);
    UpdateDerived(image);
}

float LiveMotion::Wobble(Wobbling& value, float current, float spread) {
    if (current != value.shown) value.centre = current;
    std::uniform_real_distribution<float> offset(-spread, spread);
    value.shown = value.centre + offset(random_);
    return value.shown;
}

void LiveMotion::Step(RegisterImage& image, double elapsedSeconds, std::time_t hostTime) {
    const float flow = Wobble(flow_, image.Float(99), std::fabs(flow_.centre) * 0.015F);
    image.SetFloat(99, flow);
    image.SetFloat(121, Wobble(supply_, image.Float(121), 0.05F));
    image.SetFloat(123, Wobble(return_, image.Float(123), 0.05F));
    UpdateDerived(image);
    GrowTotals(image, elapsedSeconds);
    TickClock(image, hostTime);
}

void LiveMotion::UpdateDerived(RegisterImage& image) const {
    const float flow = image.Float(99);
    const auto diameterMm = TableAt(DnList, image.Reg(149)).value_or(25);
    const double radius = diameterMm / 2000.0;
    const double area = std::numbers::pi * radius * radius;
    image.SetFloat(101, static_cast<float>(FlowCubicMetresPerSecond(image, flow) / area));
    const double range = image.Reg32(139) / 10000.0;
    image.SetFloat(103, range > 0.0 ? static_cast<float>(flow / range * 100.0) : 0.0F);
    const double kilowatts = HeatPowerKilowatts(image, flow);
    image.SetFloat(119, static_cast<float>(kilowatts * FactorAt(kPowerUnitsPerKilowatt, image.Reg(133))));
}

void LiveMotion::GrowTotals(RegisterImage& image, double elapsedSeconds) {
    const float flow = image.Float(99);
    const double cubicMetres = FlowCubicMetresPerSecond(image, flow) * elapsedSeconds;
    const double inTotalUnit = cubicMetres / FactorAt(kCubicMetresPerVolumeUnit, image.Reg(117));
    if (inTotalUnit >= 0.0) {
        AddToTotal(image, 107, inTotalUnit, forwardCarry_);
    } else {
        AddToTotal(image, 111, -inTotalUnit, reverseCarry_);
    }
    const double kilowattHours = HeatPowerKilowatts(image, flow) * elapsedSeconds / 3600.0;
    const double energy = kilowattHours * FactorAt(kEnergyUnitsPerKilowattHour, image.Reg(134));
    if (energy >= 0.0) {
        AddToTotal(image, 125, energy, heatCarry_);
    } else {
        AddToTotal(image, 129, -energy, coldCarry_);
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
    image.SetBytes(273, clockShown_);
}

}  // namespace kelvo::sim
