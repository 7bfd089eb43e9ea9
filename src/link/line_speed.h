// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The termios speed codes of the baud rates a serial line can be set to: the port sets
// its line by them, and the simulated meter reads back what the master's line is set to.

#include <termios.h>

#include <optional>

namespace kelvo {

// nullopt for a rate termios has no code for.
std::optional<speed_t> SpeedCodeOf(int baudRate);
// 0 for a code outside the table.
int BaudRateOfSpeedCode(speed_t code);

}  // namespace kelvo
