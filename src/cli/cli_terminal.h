// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The user's yes or no, typed on the terminal, read in a way that Ctrl+C still ends.

#include <algorithm>
#include <cctype>
#include <string>

#include "cli/cli_run.h"

namespace kelvo::cli {

// "y" or "yes" in any case, blanks around it allowed.
inline bool IsYesReply(std::string answer) {
    std::transform(answer.begin(), answer.end(), answer.begin(), [](unsigned char c) { return std::tolower(c); });
    const auto end = answer.find_last_not_of(" \t\r");
    answer.erase(end == std::string::npos ? 0 : end + 1);
    answer.erase(0, std::min(answer.size(), answer.find_first_not_of(" \t")));
    return answer == "y" || answer == "yes";
}

// Reads a line from stdin; yes for "y" or "yes" (any case), no for anything else or the end
// of the input. `wait` is asked between looks at stdin whether a stop signal came.
Reply ReadTerminalReply(const InterruptWait& wait);

// True when stdin is a terminal, where somebody can answer.
bool StdinIsTerminal();

}  // namespace kelvo::cli
