// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pieces every command's parser shares: the words after a command sorted into options,
// switches and the rest, and the values the options take.

#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "cli/cli_arguments.h"

namespace kelvo::cli {

struct Words {
    std::vector<std::pair<std::string, std::string>> options;  // in the order given
    std::vector<std::string> switches;
    std::vector<std::string> positional;

    bool Has(std::string_view flag) const;
};

inline constexpr std::array<std::string_view, 8> kPortOptionNames = {
    "--port", "--tcp", "--modbus-tcp", "--address", "--baud", "--parity", "--kind", "--net-timeout"};

struct WordsAccepted {
    std::initializer_list<std::string_view> valued = {};    // "--port" and the like, each with a value
    std::initializer_list<std::string_view> switches = {};  // "--yes" and the like
    bool portOptions = false;                               // and kPortOptionNames
};

// The words after the command (args[0]); anything that looks like an option and is not one
// of `accepted` is refused.
std::variant<Words, UsageError> SplitWords(const std::vector<std::string>& args, const WordsAccepted& accepted);

// Takes the port options out of `words`; the first bad value is the error.
std::optional<UsageError> TakePortOptions(const Words& words, PortOptions& line);

// --port, --tcp and --modbus-tcp, of which one at most may be given: the error, or
// nothing (also for any other option, which is left alone).
std::optional<UsageError> TakeEndpointOption(const std::string& option, const std::string& value,
                                             std::optional<std::string>& port, std::optional<Converter>& converter);

std::optional<int> ParseInt(std::string_view text, int low, int high);
std::optional<int> ParseBaud(std::string_view text);
std::optional<int> ParseParity(std::string_view text);
std::optional<int> ParseKind(std::string_view text);

// "a,b,c": the items, none empty; nullopt for an empty item.
std::optional<std::vector<std::string>> SplitNames(std::string_view text);

UsageError Bad(std::string_view option, std::string_view value);

}  // namespace kelvo::cli
