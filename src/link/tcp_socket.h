// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TcpSocket: one TCP connection to a serial-to-Ethernet converter, the platform's sockets
// behind a small interface. Every wait — the connect, a send the system does not take, a
// receive — also waits for the stop, so that "断开" ends it at once (poll() beside the stop's
// descriptor on Linux, WSAEventSelect beside its event object on Windows). The socket is
// released by the object that opened it, on every path.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/read_deadline.h"
#include "link/transport.h"

namespace kelvo {

class StopEvent;

// The platform's sockets are ready while one of these lives: Winsock's WSAStartup and
// WSACleanup, which the system counts, on Windows; nothing elsewhere. The program holds
// one from start to end; every network transport holds one of its own as well.
class SocketsLayer {
public:
    SocketsLayer();
    ~SocketsLayer();
    SocketsLayer(const SocketsLayer&) = delete;
    SocketsLayer& operator=(const SocketsLayer&) = delete;
    bool Ready() const { return ready_; }

private:
    bool ready_ = false;
};

// One address of a host: a socket address of its family as the system gave it.
struct SocketAddress {
    std::array<std::uint8_t, 128> bytes{};  // room for a sockaddr_storage
    std::size_t length = 0;
    int family = 0;
};

struct ResolvedHost {
    PortError error = PortError::None;
    std::vector<SocketAddress> addresses;  // in the order the system prefers them
};
// The addresses of `host` (without brackets) with `port`, asked of the system at once.
// numericOnly: only an address written as numbers, so that nothing waits on a name server.
ResolvedHost ResolveNow(const std::string& host, int port, bool numericOnly);
// What a failed getaddrinfo's status means, by the platform's codes.
PortError HostLookupError(int status);

enum class NetStatus {
    Done,
    TimedOut,  // the wait ran out
    Stopped,   // the stop was raised
    Closed,    // the far end closed or reset the connection, or the network lost it
};

struct NetOutcome {
    NetStatus status = NetStatus::Done;
    std::size_t bytes = 0;
};

class TcpSocket {
public:
    TcpSocket() = default;
    ~TcpSocket() { Close(); }
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Connects to `address` by `deadline` (a non-blocking connect waited for beside the
    // stop); once connected, TCP_NODELAY and short keep-alive times, so that a request goes
    // out at once and a pulled cable is found. `stopped` tells a stop from a failure.
    PortError Connect(const SocketAddress& address, PortClock::time_point deadline, const StopEvent* stop,
                      bool& stopped);
    void Close();
    bool IsOpen() const;

    // Sends every byte, waiting at most waitMs each time the system takes none.
    NetOutcome Send(std::span<const std::uint8_t> bytes, int waitMs, const StopEvent* stop);
    // Takes what has arrived, up to the buffer's size, waiting at most waitMs for it.
    NetOutcome Receive(std::span<std::uint8_t> buffer, int waitMs, const StopEvent* stop);
    // Drops whatever has arrived, without waiting; false when the far end has closed or
    // reset the connection meanwhile (an idle timeout, a reboot).
    bool Drain();

private:
#ifdef _WIN32
    // Waits for the socket's event (or the stop) at most waitMs; the network events that came.
    long WaitForEvents(int waitMs, const StopEvent* stop, bool& stopped);
    std::uintptr_t socket_ = ~std::uintptr_t{0};  // INVALID_SOCKET
    void* event_ = nullptr;                        // the event object WSAEventSelect signals
    int connectError_ = 0;                         // what the latest FD_CONNECT said
    SocketsLayer sockets_;
#else
    int fd_ = -1;
#endif
};

}  // namespace kelvo
