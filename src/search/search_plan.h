// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a meter search tries, in which order, and how long each try may take.
//
// A try is one identification request to one address at one baud rate and parity. It
// waits no longer than an answer can take at that rate (its floor): the request and the
// longest identification answer on the wire plus the meter's turnaround, so a try at 57600
// baud costs about 0.11 s and one at 1200 baud about 0.5 s with the default turnaround.

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace kelvo {

struct LineSetting {
    int baudRate = 9600;
    int parity = 0;  // 0 none, 1 odd, 2 even

    bool operator==(const LineSetting&) const = default;
};

struct SearchTry {
    int address = 1;
    LineSetting line;

    bool operator==(const SearchTry&) const = default;
};

inline constexpr int kFirstMeterAddress = 1;
inline constexpr int kLastMeterAddress = 247;

struct AddressRange {
    int first = kFirstMeterAddress;
    int last = kLastMeterAddress;

    bool operator==(const AddressRange&) const = default;
};

// "17" or "10-20" (spaces allowed); nullopt for anything else, for an address outside
// 1..247 and for a range that runs backwards.
std::optional<AddressRange> ParseAddressRange(std::string_view text);

struct SearchScope {
    AddressRange addresses;
    std::optional<int> preferredAddress;  // tried first, at every line setting
    std::vector<LineSetting> lines;       // the first is tried before the others
};

// Every pair of the baud rates and parities, rates first, in list order; `first` leads
// when it is one of them.
std::vector<LineSetting> SearchLines(std::span<const int> baudRates, std::span<const int> parities,
                                     std::optional<LineSetting> first);

// Through a serial server or a gateway the converter's own line settings decide the rate
// and parity, which no request can change: a search there tries addresses only.
bool SearchesAddressesOnly(const SerialSettings& stored);

// The scope of a search from the stored serial settings: the rates the settings dialog
// offers with every parity, the stored rate and parity first (through a converter only
// those); the stored address first when it lies in `addresses`.
SearchScope ScopeFromSettings(const SerialSettings& stored, AddressRange addresses = {});

// What a try waits beyond the wire time: the meter's turnaround, and through a converter
// also its forwarding and the network's delay.
inline constexpr std::chrono::milliseconds kNetworkTryAllowance{200};
std::chrono::milliseconds TryWait(const SerialSettings& where, std::chrono::milliseconds turnaround);

// The tries in the order they run:
// 1. the preferred address at every line setting: a meter whose address is right but whose
//    rate or parity is not answers within one pass over the settings;
// 2. every other address at the first line setting: the right rate, a forgotten address;
// 3. every other address at every other setting, address by address, so that the low
//    addresses meters mostly have are reached early whatever their rate.
// A search skips the tries at other settings once a meter answered at one (see
// MeterSearch), since every meter on one line talks at the same rate.
std::vector<SearchTry> PlanSearch(const SearchScope& scope);

// The request and the longest identification answer on the wire, plus the turnaround.
std::chrono::microseconds TryFloor(LineSetting line, std::chrono::milliseconds turnaround);
// The sum of the tries' floors: how long the search takes when nothing answers.
std::chrono::microseconds PlanTime(std::span<const SearchTry> tries, std::chrono::milliseconds turnaround);

// "无校验", "奇校验", "偶校验"; "?" for an index outside the list.
std::string ParityText(int parity);
// "4800 波特，无校验"
std::string LineText(LineSetting line);
// "约 3 分 20 秒", "约 12 秒", "不到 1 秒"
std::string DurationText(std::chrono::microseconds duration);

}  // namespace kelvo
