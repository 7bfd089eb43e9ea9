#pragma once
// The command line of kelvo-cli, parsed into what each command needs.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "search/search_plan.h"

namespace kelvo::cli {

struct ScanCommand {
    std::string port;
    std::optional<AddressRange> addresses;  // none: the stored address first, then 1-247
    std::vector<int> baudRates;             // in the order given
    std::vector<int> parities;
    std::optional<int> turnaroundMs;        // none: the stored setting
};

struct MonitorCommand {
    std::string port;
    int seconds = 0;
    // Each replaces the stored setting when given.
    std::optional<int> address;
    std::optional<int> baudRate;
    std::optional<int> parity;
    std::optional<int> meterKind;
};

struct HelpCommand {};

struct UsageError {
    std::string text;
};

using Command = std::variant<ScanCommand, MonitorCommand, HelpCommand, UsageError>;

Command ParseCommand(const std::vector<std::string>& args);

extern const char* const kUsageText;

}  // namespace kelvo::cli
