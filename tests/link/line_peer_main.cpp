// SPDX-License-Identifier: GPL-3.0-or-later
// line_peer: the far end of a serial line for win32_serial_port_test, which runs under Wine
// and cannot reach a pseudo-terminal itself. It opens one, links --link PATH to it (the
// target of a Wine COM port mapping) and serves until SIGINT or SIGTERM.
//
// Every burst of bytes (a write of the test; it ends after 30 ms of silence) comes back
// unchanged, unless it starts with the command mark A5 5A C3 and a command letter:
//   'G'        three bytes 10 11 12, 150 ms of silence, three bytes 20 21 22
//   'F' hi lo  a flood of hi*256+lo bytes: byte i is i*7
//   'L'        the line as the port set it: the baud rate (4 bytes, big-endian), then 1
//              for odd parity, else 0
//   'H'        hang up: the pseudo-terminal closes, as when an adapter is pulled out, and
//              a new one takes its place behind the link

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/line_watch.h"
#include "sim/pseudo_terminal.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::array<std::uint8_t, 3> kCommandMark = {0xA5, 0x5A, 0xC3};
constexpr int kBurstEndMs = 30;

volatile sig_atomic_t stopRequested = 0;
extern "C" void RequestStop(int) { stopRequested = 1; }

void Send(int fd, const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size() && stopRequested == 0) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        pollfd waitFor{fd, POLLOUT, 0};
        if (poll(&waitFor, 1, 1000) < 0 && errno != EINTR) return;
    }
}

// The bytes of one burst: whatever comes until the line is quiet for kBurstEndMs.
Bytes ReadBurst(int fd) {
    Bytes burst;
    int waitMs = 200;
    for (;;) {
        pollfd waitFor{fd, POLLIN, 0};
        if (poll(&waitFor, 1, waitMs) <= 0 || (waitFor.revents & POLLIN) == 0) return burst;
        std::array<std::uint8_t, 4096> chunk{};
        const ssize_t n = read(fd, chunk.data(), chunk.size());
        if (n <= 0) return burst;
        burst.insert(burst.end(), chunk.begin(), chunk.begin() + n);
        waitMs = kBurstEndMs;
    }
}

bool IsCommand(const Bytes& burst) {
    return burst.size() >= 4 && std::equal(kCommandMark.begin(), kCommandMark.end(), burst.begin());
}

Bytes LineReport(int masterFd) {
    const auto line = kelvo::sim::ReadMasterLine(masterFd);
    const auto baud = static_cast<std::uint32_t>(line ? line->baudRate : 0);
    return {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
            static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud),
            static_cast<std::uint8_t>(line && line->odd ? 1 : 0)};
}

struct Line {
    std::unique_ptr<kelvo::sim::PseudoTerminal> pty;
    kelvo::sim::SymbolicLink link;
};

bool OpenLine(Line& line, const std::string& linkPath) {
    line.link.Remove();
    line.pty = std::make_unique<kelvo::sim::PseudoTerminal>();
    if (const std::string error = line.pty->Open(); !error.empty()) {
        std::fprintf(stderr, "line_peer: %s\n", error.c_str());
        return false;
    }
    if (const std::string error = line.link.Create(linkPath, line.pty->SlavePath()); !error.empty()) {
        std::fprintf(stderr, "line_peer: %s\n", error.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--link") != 0) {
        std::fprintf(stderr, "usage: line_peer --link PATH\n");
        return 2;
    }
    const std::string linkPath = argv[2];
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    Line line;
    if (!OpenLine(line, linkPath)) return 1;
    std::printf("line_peer: %s -> %s\n", linkPath.c_str(), line.pty->SlavePath().c_str());
    std::fflush(stdout);
    while (stopRequested == 0) {
        const int fd = line.pty->MasterFd();
        const Bytes burst = ReadBurst(fd);
        if (burst.empty()) continue;
        if (!IsCommand(burst)) {
            Send(fd, burst);
            continue;
        }
        switch (burst[3]) {
            case 'G':
                Send(fd, {0x10, 0x11, 0x12});
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                Send(fd, {0x20, 0x21, 0x22});
                break;
            case 'F': {
                const std::size_t count = burst.size() >= 6 ? burst[4] * 256U + burst[5] : 0;
                Bytes flood(count);
                for (std::size_t i = 0; i < count; ++i) flood[i] = static_cast<std::uint8_t>(i * 7);
                Send(fd, flood);
                break;
            }
            case 'L':
                Send(fd, LineReport(fd));
                break;
            case 'H':
                if (!OpenLine(line, linkPath)) return 1;
                break;
            default:
                break;
        }
    }
    return 0;
}
