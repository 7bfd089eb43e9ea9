// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/line_speed.h"

#include <array>

namespace kelvo {
namespace {

struct BaudSpeed {
    int baudRate;
    speed_t speed;
};

constexpr std::array<BaudSpeed, 19> kBaudSpeeds = {{
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800},
}};

}  // namespace

std::optional<speed_t> SpeedCodeOf(int baudRate) {
    for (const BaudSpeed& row : kBaudSpeeds) {
        if (row.baudRate == baudRate) return row.speed;
    }
    return std::nullopt;
}

int BaudRateOfSpeedCode(speed_t code) {
    for (const BaudSpeed& row : kBaudSpeeds) {
        if (row.speed == code) return row.baudRate;
    }
    return 0;
}

}  // namespace kelvo
