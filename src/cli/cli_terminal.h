#pragma once
// The user's yes or no, typed on the terminal, read in a way that Ctrl+C still ends.

#include "cli/cli_run.h"

namespace kelvo::cli {

// Reads a line from stdin; yes for "y" or "yes" (any case), no for anything else or the end
// of the input. `wait` is asked between looks at stdin whether a stop signal came.
Reply ReadTerminalReply(const InterruptWait& wait);

// True when stdin is a terminal, where somebody can answer.
bool StdinIsTerminal();

}  // namespace kelvo::cli
