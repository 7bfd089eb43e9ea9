// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Constant tables that turn the small integers a meter, a list or the settings file
// carries into texts and pipe sizes. Every lookup with such an integer goes through
// the bounds-checked helpers at the end: a meter may report any 16-bit value.

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kelvo {

inline constexpr std::array<std::string_view, 12> ModelTable = {
    "RA01", "RA02", "RA03", "RA04", "RA05", "RA06", "RA07", "RA08", "RA09", "RA10", "RA11", "RA12"};

inline constexpr std::array<std::string_view, 6> VolumeUnits = {"L", "m3", "kg", "t", "gal", "Igal"};
inline constexpr std::array<std::string_view, 3> TimeUnits = {"s", "min", "h"};
inline constexpr std::array<std::string_view, 3> TotalizerNames = {"正向累积", "反向累积", "净累积"};
inline constexpr std::array<std::string_view, 5> PowerUnits = {"kW", "MW", "kJ/h", "MJ/h", "GJ/h"};
inline constexpr std::array<std::string_view, 5> EnergyUnits = {"kWh", "MWh", "kJ", "MJ", "GJ"};
inline constexpr std::array<std::string_view, 4> ShortEnergyUnits = {"kWh", "MWh", "MJ", "GJ"};
inline constexpr std::array<std::string_view, 4> BaudTexts = {"1200", "2400", "4800", "9600"};
inline constexpr std::array<std::string_view, 3> ParityTexts = {"无校验", "奇校验", "偶校验"};
inline constexpr std::array<std::string_view, 4> ByteOrderTexts = {"1-2 3-4", "2-1 4-3", "3-4 1-2", "4-3 2-1"};

// A flow unit is one integer: volume index × 3 + time index ("m3/h" is 5).
inline constexpr std::size_t kFlowUnitCount = VolumeUnits.size() * TimeUnits.size();
const std::array<std::string, kFlowUnitCount>& FlowUnitTexts();

inline constexpr std::array<int, 36> DnList = {1,   2,   3,   4,   5,   6,   8,   10,  15,   20,   25,   32,
                                               40,  50,  65,  80,  100, 125, 150, 200,  250,  300,  350,  400,
                                               450, 500, 600, 700, 800, 900, 1000, 1200, 1400, 1600, 1800, 2000};

inline constexpr std::array<int, 31> LegacyDnList = {3,   6,   10,  15,  20,  25,  32,  40,  50,   65,   80,
                                                     100, 125, 150, 200, 250, 300, 350, 400, 450,  500,  600,
                                                     700, 800, 900, 1000, 1200, 1400, 1600, 1800, 2000};

// Legacy meters code their diameters 0..30; the code of DN3 is 0, of DN6 1, and from
// DN10 on the codes follow the current list five places lower.
inline constexpr std::array<int, 31> LegacyDnToIndex = {2,  5,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                                        16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26,
                                                        27, 28, 29, 30, 31, 32, 33, 34, 35};

// −1 marks the diameters that legacy meters do not have (DN1, DN2, DN4, DN5, DN8).
inline constexpr std::array<int, 36> DnIndexToLegacy = {-1, -1, 0,  -1, -1, 1,  -1, 2,  3,  4,  5,  6,
                                                        7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                                                        19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};

// Bounds-checked lookups. An index from a meter, a list or the file may be anything.
template <typename T, std::size_t N>
std::optional<T> TableAt(const std::array<T, N>& table, long long index) {
    if (index < 0 || index >= static_cast<long long>(N)) return std::nullopt;
    return table[static_cast<std::size_t>(index)];
}

// The text of a row, or an empty text when the index lies outside the table.
template <std::size_t N>
std::string_view TextAt(const std::array<std::string_view, N>& table, long long index) {
    return TableAt(table, index).value_or(std::string_view{});
}
std::string_view FlowUnitTextAt(long long index);

// "DN%d" of a DnList index, or an empty text outside the list.
std::string DiameterText(long long dnIndex);

// Lists that offer the four ShortEnergyUnits store an EnergyUnits code:
// 0 kWh, 1 MWh, (2 kJ is not offered and shows as kWh), 3 MJ, 4 GJ.
// A code above 4 gives an index beyond the list, i.e. no selection.
int EnergyCodeToShortIndex(long long code);
int ShortIndexToEnergyCode(int listIndex);

}  // namespace kelvo
