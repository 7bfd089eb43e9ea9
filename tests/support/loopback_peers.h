// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Real converters on 127.0.0.1 for the tests, as programs the test starts and stops itself:
// socat as a serial server in raw TCP mode bridging a loopback port to the simulated meter's
// pseudo-terminal (RTU over TCP), and a Modbus TCP server of pymodbus, a general Modbus
// library (tests/link/modbus_tcp_peer.py). Linux only: Windows tests reach the same programs
// from Wine (scripts/windows/test-windows.sh).

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/loopback_gateway.h"

extern char** environ;

namespace kelvo::test {

// A port on 127.0.0.1 that nobody uses at the moment, for a peer to listen on.
inline int FreeLoopbackPort() {
    const PeerSocket s = BoundLoopbackSocket(0);
    if (s == kNoPeerSocket) return 0;
    const int port = PortOf(s);
    ClosePeerSocket(s);
    return port;
}

// Whether something listens on 127.0.0.1:port within about five seconds. Looked up in the
// system's table of sockets rather than tried with a connect: a serial server bridges each
// connection to the meter's line, and one made only to look would take answers meant for
// the next.
inline bool AcceptsWithin(int port) {
    char local[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", port);
    for (int attempt = 0; attempt < 200; ++attempt) {
        std::ifstream table("/proc/net/tcp");
        std::string line;
        while (std::getline(table, line)) {
            std::istringstream fields(line);
            std::string slot, address, remote, state;
            fields >> slot >> address >> remote >> state;
            if (address == local && state == "0A") return true;  // 0A: listening
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

// A program run for the test, in a process group of its own so that its children (socat's
// per-connection ones) end with it; ended by its id and waited for.
class PeerProcess {
public:
    explicit PeerProcess(const std::vector<std::string>& command) {
        std::vector<char*> argv;
        for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        if (posix_spawn(&pid_, argv[0], nullptr, &attributes, argv.data(), environ) != 0) pid_ = -1;
        posix_spawnattr_destroy(&attributes);
    }
    ~PeerProcess() { Stop(); }
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    void Stop() {
        if (pid_ <= 0) return;
        ::kill(-pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

// socat listening on 127.0.0.1:port, each connection bridged to the pseudo-terminal at `pty`.
inline std::vector<std::string> SerialServerCommand(int port, const std::string& pty) {
    return {"/usr/bin/socat", "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr,fork",
            "FILE:" + pty + ",rawer"};
}

#ifdef KELVO_MODBUS_TCP_PEER
// The pymodbus peer on 127.0.0.1:port, with or without its 0x41 handler. Debian's python:
// the one first on PATH may be a build of its own without Debian's modules.
inline std::vector<std::string> ModbusTcpServerCommand(int port, bool identifies = true) {
    std::vector<std::string> command = {"/usr/bin/python3", KELVO_MODBUS_TCP_PEER, "--port", std::to_string(port)};
    if (!identifies) command.push_back("--no-identify");
    return command;
}
#endif

}  // namespace kelvo::test
