// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_arguments.h"

#include <algorithm>
#include <array>

#include "cli/cli_options.h"
#include "cli/cli_record_arguments.h"
#include "settings/settings.h"

namespace kelvo::cli {
namespace {

// "4800,9600": every item parsed, none twice; nullopt when one does not parse.
template <class Parse>
std::optional<std::vector<int>> ParseList(std::string_view text, Parse parse) {
    std::vector<int> items;
    for (;;) {
        const auto comma = text.find(',');
        const auto item = parse(text.substr(0, comma));
        if (!item) return std::nullopt;
        if (std::find(items.begin(), items.end(), *item) == items.end()) items.push_back(*item);
        if (comma == std::string_view::npos) return items;
        text.remove_prefix(comma + 1);
    }
}

Command ParseScan(const std::vector<std::string>& args) {
    const auto split = SplitWords(args, {.valued = {"--port", "--tcp", "--modbus-tcp", "--address", "--baud", "--parity",
                                                    "--turnaround", "--net-timeout"}});
    if (const auto* error = std::get_if<UsageError>(&split)) return *error;
    const Words& words = std::get<Words>(split);
    if (!words.positional.empty()) return UsageError{"多余的参数 " + words.positional.front() + "。"};
    ScanCommand scan;
    scan.baudRates.assign(kOfferedBaudRates.begin(), kOfferedBaudRates.end());
    scan.parities = {0, 1, 2};
    std::optional<std::string> port;
    bool lineGiven = false;
    for (const auto& [option, value] : words.options) {
        if (auto error = TakeEndpointOption(option, value, port, scan.converter)) return *error;
        if (option == "--net-timeout") {
            scan.netTimeoutMs = ParseInt(value, kMinNetTimeoutMs, kMaxNetTimeoutMs);
            if (!scan.netTimeoutMs) return Bad(option, value);
        } else if (option == "--address") {
            scan.addresses = ParseAddressRange(value);
            if (!scan.addresses) return Bad(option, value);
        } else if (option == "--baud") {
            const auto rates = ParseList(value, ParseBaud);
            if (!rates) return Bad(option, value);
            scan.baudRates = *rates;
            lineGiven = true;
        } else if (option == "--parity") {
            const auto parities = ParseList(value, ParseParity);
            if (!parities) return Bad(option, value);
            scan.parities = *parities;
            lineGiven = true;
        } else if (option == "--turnaround") {
            scan.turnaroundMs = ParseInt(value, kMinTurnaroundMs, kMaxTurnaroundMs);
            if (!scan.turnaroundMs) return Bad(option, value);
        }
    }
    scan.port = port.value_or("");
    if (!port && !scan.converter) return UsageError{"缺少 --port（或 --tcp、--modbus-tcp）。"};
    // The converter's own line settings decide the rate and parity.
    if (scan.converter && lineGiven) return UsageError{"经由 --tcp 或 --modbus-tcp 搜索时只试地址，不能给出 --baud 或 --parity。"};
    return scan;
}

Command ParseMonitor(const std::vector<std::string>& args) {
    const auto split = SplitWords(args, {.valued = {"--seconds"}, .portOptions = true});
    if (const auto* error = std::get_if<UsageError>(&split)) return *error;
    const Words& words = std::get<Words>(split);
    if (!words.positional.empty()) return UsageError{"多余的参数 " + words.positional.front() + "。"};
    MonitorCommand monitor;
    if (auto error = TakePortOptions(words, monitor.line)) return *error;
    for (const auto& [option, value] : words.options) {
        if (option != "--seconds") continue;
        const auto seconds = ParseInt(value, 1, 86400);
        if (!seconds) return Bad(option, value);
        monitor.seconds = *seconds;
    }
    if (!monitor.line.NamesEndpoint()) return UsageError{"缺少 --port（或 --tcp、--modbus-tcp）。"};
    if (monitor.seconds == 0) return UsageError{"缺少 --seconds。"};
    return monitor;
}

using Parser = Command (*)(const std::vector<std::string>&);

struct CommandParser {
    std::string_view name;
    Parser parse;
};

constexpr std::array<CommandParser, 11> kParsers = {{
    {"scan", ParseScan},
    {"monitor", ParseMonitor},
    {"log", ParseLog},
    {"zero-check", ParseZeroCheck},
    {"verify", ParseVerify},
    {"backup", ParseBackup},
    {"compare", ParseCompare},
    {"restore", ParseRestore},
    {"read", ParseRead},
    {"write", ParseWrite},
    {"report", ParseReport},
}};

bool AsksForHelp(std::string_view word) { return word == "--help" || word == "-h"; }

}  // namespace

bool IsCommandName(std::string_view name) {
    return std::any_of(kParsers.begin(), kParsers.end(), [name](const CommandParser& p) { return p.name == name; });
}

Command ParseCommand(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError{"缺少命令。"};
    const std::string& name = args[0];
    if (AsksForHelp(name)) return HelpCommand{};
    if (name == "--version" && args.size() == 1) return VersionCommand{};
    if (name == "help") {
        if (args.size() == 1) return HelpCommand{};
        if (args.size() == 2 && IsCommandName(args[1])) return HelpCommand{args[1]};
        return UsageError{"不认识的命令 " + args[1] + "。"};
    }
    const auto parser =
        std::find_if(kParsers.begin(), kParsers.end(), [&name](const CommandParser& p) { return p.name == name; });
    if (parser == kParsers.end()) return UsageError{"不认识的命令 " + name + "。"};
    // Wherever it stands: "monitor --port --help" asks for help, not for a port of that name.
    if (std::any_of(args.begin() + 1, args.end(), [](const std::string& word) { return AsksForHelp(word); })) {
        return HelpCommand{name};
    }
    Command command = parser->parse(args);
    if (auto* error = std::get_if<UsageError>(&command)) error->command = name;
    return command;
}

}  // namespace kelvo::cli
