// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/line_watch.h"

#include <termios.h>

#include "link/line_speed.h"

namespace kelvo::sim {

std::optional<MasterLine> ReadMasterLine(int masterFd) {
    termios settings{};
    if (tcgetattr(masterFd, &settings) != 0) return std::nullopt;
    return MasterLine{.baudRate = BaudRateOfSpeedCode(cfgetospeed(&settings)),
                      .odd = (settings.c_cflag & PARODD) != 0};
}

bool ParityHeard(int parity, const MasterLine& line) { return line.odd == (parity == 1); }

}  // namespace kelvo::sim
