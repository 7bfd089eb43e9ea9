#include "sim/line_watch.h"

#include <termios.h>

#include <array>

namespace kelvo::sim {
namespace {

struct Speed {
    speed_t code;
    int baudRate;
};

constexpr std::array<Speed, 11> kSpeeds = {{
    {B300, 300},
    {B600, 600},
    {B1200, 1200},
    {B2400, 2400},
    {B4800, 4800},
    {B9600, 9600},
    {B19200, 19200},
    {B38400, 38400},
    {B57600, 57600},
    {B115200, 115200},
    {B230400, 230400},
}};

}  // namespace

std::optional<MasterLine> ReadMasterLine(int masterFd) {
    termios settings{};
    if (tcgetattr(masterFd, &settings) != 0) return std::nullopt;
    MasterLine line;
    const speed_t speed = cfgetospeed(&settings);
    for (const Speed& row : kSpeeds) {
        if (row.code == speed) line.baudRate = row.baudRate;
    }
    line.odd = (settings.c_cflag & PARODD) != 0;
    return line;
}

bool ParityHeard(int parity, const MasterLine& line) { return line.odd == (parity == 1); }

}  // namespace kelvo::sim
