#include "cli/cli_arguments.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "settings/settings.h"

namespace kelvo::cli {

const char* const kUsageText =
    "用法：\n"
    "  kelvo-cli scan --port 串口 [--address A|A-B] [--baud 列表] [--parity 列表] [--turnaround 毫秒]\n"
    "      用标识请求（功能码 0x41）搜索仪表，每找到一台打印一行。\n"
    "      --address   要试的地址或地址范围（1-247）；默认先试存储的地址，再试 1-247\n"
    "      --baud      波特率列表，如 4800,9600；默认为串口设置中的全部波特率\n"
    "      --parity    校验列表：none、odd、even（或 0、1、2）；默认全部\n"
    "      --turnaround 仪表的应答延时，毫秒；默认为存储的设置（100）\n"
    "  kelvo-cli monitor --port 串口 --seconds N [--address A] [--baud B] [--parity P]\n"
    "                    [--kind generic|w58]\n"
    "      像主窗口一样识别并轮询仪表 N 秒，打印每一帧通讯。其余设置取自存储的串口设置。\n"
    "\n"
    "退出状态：0 找到仪表 / 轮询成功；1 没有找到仪表 / 没有成功的轮询；2 参数错误；\n"
    "3 串口无法打开。\n";

namespace {

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

UsageError Bad(std::string_view option, std::string_view value) {
    return {"参数 " + std::string(option) + " 的值“" + std::string(value) + "”不对。"};
}

Command ParseScan(const std::vector<std::string>& args) {
    ScanCommand scan;
    scan.baudRates.assign(kOfferedBaudRates.begin(), kOfferedBaudRates.end());
    scan.parities = {0, 1, 2};
    for (std::size_t i = 1; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) return UsageError{"参数 " + option + " 缺少值。"};
        const std::string& value = args[i + 1];
        if (option == "--port") {
            scan.port = value;
        } else if (option == "--address") {
            scan.addresses = ParseAddressRange(value);
            if (!scan.addresses) return Bad(option, value);
        } else if (option == "--baud") {
            const auto rates = ParseList(value, ParseBaud);
            if (!rates) return Bad(option, value);
            scan.baudRates = *rates;
        } else if (option == "--parity") {
            const auto parities = ParseList(value, ParseParity);
            if (!parities) return Bad(option, value);
            scan.parities = *parities;
        } else if (option == "--turnaround") {
            scan.turnaroundMs = ParseInt(value, kMinTurnaroundMs, kMaxTurnaroundMs);
            if (!scan.turnaroundMs) return Bad(option, value);
        } else {
            return UsageError{"不认识的参数 " + option + "。"};
        }
    }
    if (scan.port.empty()) return UsageError{"缺少 --port。"};
    return scan;
}

Command ParseMonitor(const std::vector<std::string>& args) {
    MonitorCommand monitor;
    for (std::size_t i = 1; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) return UsageError{"参数 " + option + " 缺少值。"};
        const std::string& value = args[i + 1];
        std::optional<int>* target = nullptr;
        std::optional<int> parsed;
        if (option == "--port") {
            monitor.port = value;
            continue;
        }
        if (option == "--seconds") {
            const auto seconds = ParseInt(value, 1, 86400);
            if (!seconds) return Bad(option, value);
            monitor.seconds = *seconds;
            continue;
        }
        if (option == "--address") {
            target = &monitor.address;
            parsed = ParseInt(value, kFirstMeterAddress, kLastMeterAddress);
        } else if (option == "--baud") {
            target = &monitor.baudRate;
            parsed = ParseBaud(value);
        } else if (option == "--parity") {
            target = &monitor.parity;
            parsed = ParseParity(value);
        } else if (option == "--kind") {
            target = &monitor.meterKind;
            parsed = ParseKind(value);
        } else {
            return UsageError{"不认识的参数 " + option + "。"};
        }
        if (!parsed) return Bad(option, value);
        *target = parsed;
    }
    if (monitor.port.empty()) return UsageError{"缺少 --port。"};
    if (monitor.seconds == 0) return UsageError{"缺少 --seconds。"};
    return monitor;
}

}  // namespace

Command ParseCommand(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError{"缺少命令（scan 或 monitor）。"};
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") return HelpCommand{};
    if (args[0] == "scan") return ParseScan(args);
    if (args[0] == "monitor") return ParseMonitor(args);
    return UsageError{"不认识的命令 " + args[0] + "。"};
}

}  // namespace kelvo::cli
