// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>

#include "settings/settings.h"

namespace kelvo::cli {
namespace {

template <class Names>
bool Among(const Names& names, std::string_view word) {
    return std::find(names.begin(), names.end(), word) != names.end();
}

// "-o", "--port": an option; "-" alone, "-3" and "name=-3" are values.
bool LooksLikeOption(std::string_view word) {
    return word.size() > 1 && word[0] == '-' && (word[1] < '0' || word[1] > '9') && word[1] != '.';
}

}  // namespace

bool Words::Has(std::string_view flag) const {
    return std::find(switches.begin(), switches.end(), flag) != switches.end();
}

std::variant<Words, UsageError> SplitWords(const std::vector<std::string>& args, const WordsAccepted& accepted) {
    Words words;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (!LooksLikeOption(word)) {
            words.positional.push_back(word);
        } else if (Among(accepted.switches, word)) {
            words.switches.push_back(word);
        } else if (!Among(accepted.valued, word) && !(accepted.portOptions && Among(kPortOptionNames, word))) {
            return UsageError{"不认识的参数 " + word + "。"};
        } else if (i + 1 >= args.size()) {
            return UsageError{"参数 " + word + " 缺少值。"};
        } else {
            words.options.emplace_back(word, args[i + 1]);
            ++i;
        }
    }
    return words;
}

std::optional<UsageError> TakeEndpointOption(const std::string& option, const std::string& value,
                                             std::optional<std::string>& port, std::optional<Converter>& converter) {
    const bool serial = option == "--port";
    if (!serial && option != "--tcp" && option != "--modbus-tcp") return std::nullopt;
    if (port || converter) return UsageError{"--port、--tcp 和 --modbus-tcp 只能给出一个。"};
    if (serial) {
        if (value.empty()) return Bad(option, value);
        port = value;
        return std::nullopt;
    }
    const auto where = ParseHostAndPort(value);
    if (!where) return Bad(option, value);
    converter = Converter{.linkType = option == "--tcp" ? kLinkRtuOverTcp : kLinkModbusTcp, .where = *where};
    return std::nullopt;
}

std::optional<UsageError> TakePortOptions(const Words& words, PortOptions& line) {
    for (const auto& [option, value] : words.options) {
        std::optional<int>* target = nullptr;
        std::optional<int> parsed;
        if (auto error = TakeEndpointOption(option, value, line.port, line.converter)) return error;
        if (option == "--port" || option == "--tcp" || option == "--modbus-tcp") continue;
        if (option == "--net-timeout") {
            target = &line.netTimeoutMs;
            parsed = ParseInt(value, kMinNetTimeoutMs, kMaxNetTimeoutMs);
        } else if (option == "--address") {
            target = &line.address;
            parsed = ParseInt(value, kFirstMeterAddress, kLastMeterAddress);
        } else if (option == "--baud") {
            target = &line.baudRate;
            parsed = ParseBaud(value);
        } else if (option == "--parity") {
            target = &line.parity;
            parsed = ParseParity(value);
        } else if (option == "--kind") {
            target = &line.meterKind;
            parsed = ParseKind(value);
        } else {
            continue;
        }
        if (!parsed) return Bad(option, value);
        *target = parsed;
    }
    return std::nullopt;
}

std::optional<int> ParseInt(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// The rates the serial settings offer, and 115200, which the port knows too.
std::optional<int> ParseBaud(std::string_view text) {
    const auto rate = ParseInt(text, 1, 115200);
    if (!rate) return std::nullopt;
    const bool offered = std::find(kOfferedBaudRates.begin(), kOfferedBaudRates.end(), *rate) != kOfferedBaudRates.end();
    return offered || *rate == 115200 ? rate : std::nullopt;
}

std::optional<int> ParseParity(std::string_view text) {
    constexpr std::string_view kNames[kParityCount][2] = {{"none", "0"}, {"odd", "1"}, {"even", "2"}};
    for (int parity = 0; parity < kParityCount; ++parity) {
        if (text == kNames[parity][0] || text == kNames[parity][1]) return parity;
    }
    return std::nullopt;
}

std::optional<int> ParseKind(std::string_view text) {
    if (text == "generic") return kGenericMeter;
    if (text == "w58") return kW58Meter;
    return std::nullopt;
}

std::optional<std::vector<std::string>> SplitNames(std::string_view text) {
    std::vector<std::string> names;
    for (;;) {
        const auto comma = text.find(',');
        const std::string_view name = text.substr(0, comma);
        if (name.empty()) return std::nullopt;
        names.emplace_back(name);
        if (comma == std::string_view::npos) return names;
        text.remove_prefix(comma + 1);
    }
}

UsageError Bad(std::string_view option, std::string_view value) {
    return {"参数 " + std::string(option) + " 的值“" + std::string(value) + "”不对。"};
}

}  // namespace kelvo::cli
