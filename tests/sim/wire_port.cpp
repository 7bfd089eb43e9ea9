// SPDX-License-Identifier: GPL-3.0-or-later
#include "wire_port.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace kelvo::sim::test {

std::uint16_t BitwiseCrc16(const Bytes& bytes) {
    unsigned crc = 0xFFFF;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1U) != 0 ? (crc >> 1) ^ 0xA001U : crc >> 1;
    }
    return static_cast<std::uint16_t>(crc);
}

Bytes WithCrc(Bytes frame) {
    const std::uint16_t crc = BitwiseCrc16(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

bool CrcIsValid(const Bytes& frame) {
    if (frame.size() < 4) return false;
    return WithCrc(Bytes(frame.begin(), frame.end() - 2)) == frame;
}

WirePort::WirePort(const std::string& path, bool leaveSettings)
    : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (fd_ < 0 || leaveSettings) return;
    termios settings{};
    tcgetattr(fd_, &settings);
    cfmakeraw(&settings);
    cfsetspeed(&settings, B57600);
    tcsetattr(fd_, TCSANOW, &settings);
}

void WirePort::SetLine(int baudRate, int parity) {
    termios settings{};
    tcgetattr(fd_, &settings);
    cfmakeraw(&settings);
    cfsetspeed(&settings, baudRate == 4800 ? B4800 : baudRate == 9600 ? B9600 : B57600);
    settings.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);  // raw mode keeps PARODD
    if (parity != 0) settings.c_cflag |= PARENB;
    if (parity == 1) settings.c_cflag |= PARODD;
    tcsetattr(fd_, TCSANOW, &settings);
}

WirePort::~WirePort() {
    if (fd_ >= 0) ::close(fd_);
}

void WirePort::Send(const Bytes& frame) {
    tcflush(fd_, TCIFLUSH);
    std::size_t done = 0;
    while (done < frame.size()) {
        const ssize_t written = ::write(fd_, frame.data() + done, frame.size() - done);
        if (written <= 0) return;
        done += static_cast<std::size_t>(written);
    }
}

std::vector<Bytes> WirePort::ReceivePieces(int firstByteMs, int quietMs) {
    std::vector<Bytes> pieces;
    int waitMs = firstByteMs;
    for (;;) {
        pollfd entry{.fd = fd_, .events = POLLIN, .revents = 0};
        if (poll(&entry, 1, waitMs) <= 0) return pieces;
        std::uint8_t buffer[512];
        const ssize_t count = ::read(fd_, buffer, sizeof buffer);
        if (count <= 0) return pieces;
        pieces.emplace_back(buffer, buffer + count);
        waitMs = quietMs;
    }
}

Bytes WirePort::Receive(int firstByteMs, int quietMs) {
    Bytes all;
    for (const Bytes& piece : ReceivePieces(firstByteMs, quietMs)) all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

}  // namespace kelvo::sim::test
