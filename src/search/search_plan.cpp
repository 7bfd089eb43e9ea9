// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/search_plan.h"

#include <algorithm>
#include <charconv>

#include "link/endpoint.h"
#include "link/identification_probe.h"
#include "link/wire_time.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

using std::chrono::microseconds;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::optional<int> ParseAddress(std::string_view text) {
    text = Trimmed(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    if (value < kFirstMeterAddress || value > kLastMeterAddress) return std::nullopt;
    return value;
}

bool Contains(AddressRange range, int address) { return address >= range.first && address <= range.last; }

}  // namespace

std::optional<AddressRange> ParseAddressRange(std::string_view text) {
    const auto dash = text.find('-');
    const auto first = ParseAddress(text.substr(0, dash));
    if (!first) return std::nullopt;
    if (dash == std::string_view::npos) return AddressRange{*first, *first};
    const auto last = ParseAddress(text.substr(dash + 1));
    if (!last || *last < *first) return std::nullopt;
    return AddressRange{*first, *last};
}

std::vector<LineSetting> SearchLines(std::span<const int> baudRates, std::span<const int> parities,
                                     std::optional<LineSetting> first) {
    std::vector<LineSetting> lines;
    for (const int baud : baudRates) {
        for (const int parity : parities) lines.push_back({.baudRate = baud, .parity = parity});
    }
    if (first) {
        const auto at = std::find(lines.begin(), lines.end(), *first);
        if (at != lines.end()) std::rotate(lines.begin(), at, at + 1);
    }
    return lines;
}

bool SearchesAddressesOnly(const SerialSettings& stored) { return EndpointOf(stored).Network(); }

SearchScope ScopeFromSettings(const SerialSettings& stored, AddressRange addresses) {
    static constexpr int kParities[kParityCount] = {0, 1, 2};
    SearchScope scope;
    scope.addresses = addresses;
    if (Contains(addresses, stored.address)) scope.preferredAddress = stored.address;
    const LineSetting storedLine{stored.baudRate, stored.parity};
    if (SearchesAddressesOnly(stored)) {
        scope.lines = {storedLine};
    } else {
        scope.lines = SearchLines(kOfferedBaudRates, kParities, storedLine);
    }
    return scope;
}

std::chrono::milliseconds TryWait(const SerialSettings& where, std::chrono::milliseconds turnaround) {
    return SearchesAddressesOnly(where) ? turnaround + kNetworkTryAllowance : turnaround;
}

std::vector<SearchTry> PlanSearch(const SearchScope& scope) {
    std::vector<SearchTry> tries;
    if (scope.lines.empty()) return tries;
    const auto isPreferred = [&scope](int address) { return scope.preferredAddress == address; };
    if (scope.preferredAddress && Contains(scope.addresses, *scope.preferredAddress)) {
        for (const LineSetting& line : scope.lines) tries.push_back({*scope.preferredAddress, line});
    }
    for (int address = scope.addresses.first; address <= scope.addresses.last; ++address) {
        if (!isPreferred(address)) tries.push_back({address, scope.lines.front()});
    }
    for (int address = scope.addresses.first; address <= scope.addresses.last; ++address) {
        if (isPreferred(address)) continue;
        for (std::size_t i = 1; i < scope.lines.size(); ++i) tries.push_back({address, scope.lines[i]});
    }
    return tries;
}

microseconds TryFloor(LineSetting line, std::chrono::milliseconds turnaround) {
    return WireTime(kIdentificationRequestBytes + kLongestIdentificationAnswer, line.baudRate, line.parity) +
           turnaround;
}

microseconds PlanTime(std::span<const SearchTry> tries, std::chrono::milliseconds turnaround) {
    microseconds total{0};
    for (const SearchTry& attempt : tries) total += TryFloor(attempt.line, turnaround);
    return total;
}

std::string ParityText(int parity) {
    const bool known = parity >= 0 && parity < static_cast<int>(ParityTexts.size());
    return known ? std::string(ParityTexts[static_cast<std::size_t>(parity)]) : "?";
}

std::string LineText(LineSetting line) { return std::to_string(line.baudRate) + " 波特，" + ParityText(line.parity); }

std::string DurationText(microseconds duration) {
    const long long seconds = std::chrono::round<std::chrono::seconds>(duration).count();
    if (seconds < 1) return "不到 1 秒";
    if (seconds < 60) return "约 " + std::to_string(seconds) + " 秒";
    return "约 " + std::to_string(seconds / 60) + " 分 " + std::to_string(seconds % 60) + " 秒";
}

}  // namespace kelvo
