// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the master's end of the line is set to, as the simulated meter can see it. On
// Linux the pty master reports the termios of its slave, the master's serial port: the
// baud rate exactly; of the parity only the odd flag, because the pty driver clears
// PARENB on every change (it keeps PARODD). So a simulated meter can tell a master at
// odd parity from one at none or even, but not none from even.

#include <optional>

namespace kelvo::sim {

struct MasterLine {
    int baudRate = 0;  // 0: a speed code of no known rate
    bool odd = false;
};

// nullopt when the termios cannot be read.
std::optional<MasterLine> ReadMasterLine(int masterFd);

// Whether a meter set to `parity` (0 none, 1 odd, 2 even) hears a master on `line`, as
// far as the pty shows it: odd hears odd; none and even hear everything else.
bool ParityHeard(int parity, const MasterLine& line);

}  // namespace kelvo::sim
