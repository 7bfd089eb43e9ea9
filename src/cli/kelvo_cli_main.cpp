// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli: the meter search, the traffic monitor and a meter's parameters for a
// technician's scripts. Ctrl+C (or SIGTERM) ends a command early, with the port closed.

#include <signal.h>
#include <time.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "cli/cli_terminal.h"

int main(int argc, char** argv) {
    // Blocked before any thread exists, so that every thread inherits the mask and the
    // signals wait for the sigtimedwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const kelvo::cli::InterruptWait waitForSignal = [&stopSignals](std::chrono::milliseconds timeout) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(timeout).count();
        const timespec limit{.tv_sec = static_cast<time_t>(ns / 1'000'000'000),
                             .tv_nsec = static_cast<long>(ns % 1'000'000'000)};
        return sigtimedwait(&stopSignals, nullptr, &limit) > 0;
    };
    kelvo::cli::ReadReply reply;
    if (kelvo::cli::StdinIsTerminal()) {
        reply = [&waitForSignal] { return kelvo::cli::ReadTerminalReply(waitForSignal); };
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    return kelvo::cli::RunCli(args, std::cout, std::cerr, waitForSignal, reply);
}
