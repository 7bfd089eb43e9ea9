// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_terminal.h"

#include <poll.h>
#include <unistd.h>

#include <string>

namespace kelvo::cli {

Reply ReadTerminalReply(const InterruptWait& wait) {
    std::string answer;
    for (;;) {
        // The stop signals are blocked in every thread and wait for sigtimedwait: a read
        // that blocked would keep Ctrl+C waiting until the user pressed Enter.
        if (wait(std::chrono::milliseconds(0))) return Reply::Interrupted;
        pollfd input{.fd = STDIN_FILENO, .events = POLLIN, .revents = 0};
        const int ready = poll(&input, 1, static_cast<int>(kPrintInterval.count()));
        if (ready <= 0) continue;
        char c = 0;
        if (read(STDIN_FILENO, &c, 1) != 1) return Reply::No;
        if (c == '\n') return IsYesReply(answer) ? Reply::Yes : Reply::No;
        answer += c;
    }
}

bool StdinIsTerminal() { return isatty(STDIN_FILENO) == 1; }

}  // namespace kelvo::cli
