// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The test's end of the wire: the simulator's pty opened with plain POSIX calls, as a
// serial program would, so the tests see exactly the bytes a meter sends.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace kelvo::sim::test {

using Bytes = std::vector<std::uint8_t>;

// CRC-16/MODBUS worked out bit by bit, independent of the table-driven one under test.
std::uint16_t BitwiseCrc16(const Bytes& bytes);
// The frame with its CRC appended, low byte first.
Bytes WithCrc(Bytes frame);
bool CrcIsValid(const Bytes& frame);

class WirePort {
public:
    // leaveSettings: open like a program that never touches the line settings.
    explicit WirePort(const std::string& path, bool leaveSettings = false);
    ~WirePort();
    WirePort(const WirePort&) = delete;
    WirePort& operator=(const WirePort&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Raw, at 4800, 9600 or 57600 baud and parity 0 none, 1 odd, 2 even, asked of the
    // driver as a serial program asks it (a pty keeps only part of it, see sim/line_watch.h).
    void SetLine(int baudRate, int parity);
    void Send(const Bytes& frame);
    // Everything that arrives until the line has been quiet for quietMs after a byte;
    // empty when nothing comes within firstByteMs.
    Bytes Receive(int firstByteMs = 2000, int quietMs = 50);
    // As Receive, but keeps each piece that one read() returned.
    std::vector<Bytes> ReceivePieces(int firstByteMs = 2000, int quietMs = 50);
    Bytes Transact(const Bytes& frame, int firstByteMs = 2000) {
        Send(frame);
        return Receive(firstByteMs);
    }

private:
    int fd_ = -1;
};

}  // namespace kelvo::sim::test
