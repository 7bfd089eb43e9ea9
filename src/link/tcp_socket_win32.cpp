// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows side of tcp_socket.h: Winsock sockets whose network events signal an event
// object (WSAEventSelect), waited for beside the stop's event object.

#include "link/tcp_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "link/stop_event.h"

namespace kelvo {
namespace {

// A cable pulled while the line is idle is found after about 5 s and a few probes 2 s apart.
constexpr ULONG kKeepAliveIdleMs = 5000;
constexpr ULONG kKeepAliveIntervalMs = 2000;
// Without an event object of the stop, a wait looks at it this often.
constexpr DWORD kStopLookMs = 10;
constexpr long kAllEvents = FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE;

SOCKET AsSocket(std::uintptr_t s) { return static_cast<SOCKET>(s); }

PortError ConnectError(int error) {
    switch (error) {
        case WSAECONNREFUSED:
            return PortError::ConnectionRefused;
        case WSAENETUNREACH:
        case WSAEHOSTUNREACH:
        case WSAENETDOWN:
        case WSAEHOSTDOWN:
        case WSAEADDRNOTAVAIL:
            return PortError::NoRoute;
        case WSAETIMEDOUT:
            return PortError::ConnectTimedOut;
        default:
            return PortError::NetworkOther;
    }
}

}  // namespace

PortError HostLookupError(int status) {
    switch (status) {
        case WSAHOST_NOT_FOUND:
        case WSANO_DATA:
        case WSATRY_AGAIN:
        case WSANO_RECOVERY:
            return PortError::HostNotFound;
        default:
            return PortError::NetworkOther;
    }
}

namespace {

// Requests are a few bytes each and wait for their answer: Nagle's delay would only slow
// them. Options the system refuses leave the connection as it is.
void SetConnectionOptions(SOCKET s) {
    const BOOL on = TRUE;
    (void)setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    (void)setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
    tcp_keepalive times{.onoff = 1, .keepalivetime = kKeepAliveIdleMs, .keepaliveinterval = kKeepAliveIntervalMs};
    DWORD returned = 0;
    (void)WSAIoctl(s, SIO_KEEPALIVE_VALS, &times, sizeof times, nullptr, 0, &returned, nullptr, nullptr);
}

bool WouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }

}  // namespace

SocketsLayer::SocketsLayer() {
    WSADATA data{};
    ready_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

SocketsLayer::~SocketsLayer() {
    if (ready_) WSACleanup();
}

long TcpSocket::WaitForEvents(int waitMs, const StopEvent* stop, bool& stopped) {
    stopped = false;
    HANDLE stopHandle = stop != nullptr ? static_cast<HANDLE>(stop->Handle()) : nullptr;
    const PortClock::time_point deadline = PortClock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
    for (;;) {
        if (stop != nullptr && stop->IsSet()) {
            stopped = true;
            return 0;
        }
        const auto left = static_cast<DWORD>(MillisecondsUntil(deadline));
        const HANDLE handles[2] = {stopHandle, static_cast<HANDLE>(event_)};
        const DWORD count = stopHandle != nullptr ? 2 : 1;
        const DWORD step = stop != nullptr && stopHandle == nullptr ? std::min(left, kStopLookMs) : left;
        const DWORD ended = WaitForMultipleObjects(count, stopHandle != nullptr ? handles : handles + 1, FALSE, step);
        if (stopHandle != nullptr && ended == WAIT_OBJECT_0) {
            stopped = true;
            return 0;
        }
        if (ended == WAIT_OBJECT_0 + count - 1) {
            WSANETWORKEVENTS events{};
            if (WSAEnumNetworkEvents(AsSocket(socket_), static_cast<HANDLE>(event_), &events) != 0) return FD_CLOSE;
            if ((events.lNetworkEvents & FD_CONNECT) != 0) connectError_ = events.iErrorCode[FD_CONNECT_BIT];
            if (events.lNetworkEvents != 0) return events.lNetworkEvents;
            continue;
        }
        if (ended == WAIT_FAILED) return FD_CLOSE;  // the call that follows says what is wrong
        if (left == 0) return 0;
    }
}

PortError TcpSocket::Connect(const SocketAddress& address, PortClock::time_point deadline, const StopEvent* stop,
                             bool& stopped) {
    Close();
    stopped = false;
    const SOCKET s = WSASocketW(address.family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) return PortError::NetworkOther;
    socket_ = static_cast<std::uintptr_t>(s);
    event_ = WSACreateEvent();
    // Makes the socket non-blocking as well.
    if (event_ == WSA_INVALID_EVENT || WSAEventSelect(s, static_cast<HANDLE>(event_), kAllEvents) != 0) {
        Close();
        return PortError::NetworkOther;
    }
    sockaddr_storage target{};
    std::memcpy(&target, address.bytes.data(), std::min(address.length, sizeof target));
    if (::connect(s, reinterpret_cast<const sockaddr*>(&target), static_cast<int>(address.length)) != 0) {
        if (!WouldBlock()) {
            const PortError error = ConnectError(WSAGetLastError());
            Close();
            return error;
        }
        connectError_ = -1;
        for (;;) {
            const long events = WaitForEvents(MillisecondsUntil(deadline), stop, stopped);
            if (stopped || events == 0) {
                Close();
                return stopped ? PortError::NetworkOther : PortError::ConnectTimedOut;
            }
            if ((events & FD_CONNECT) != 0) break;
        }
        if (connectError_ != 0) {
            const PortError error = ConnectError(connectError_);
            Close();
            return error;
        }
    }
    SetConnectionOptions(s);
    return PortError::None;
}

void TcpSocket::Close() {
    if (socket_ != ~std::uintptr_t{0}) closesocket(AsSocket(socket_));
    socket_ = ~std::uintptr_t{0};
    if (event_ != nullptr && event_ != WSA_INVALID_EVENT) WSACloseEvent(static_cast<HANDLE>(event_));
    event_ = nullptr;
}

bool TcpSocket::IsOpen() const { return socket_ != ~std::uintptr_t{0}; }

NetOutcome TcpSocket::Send(std::span<const std::uint8_t> bytes, int waitMs, const StopEvent* stop) {
    if (!IsOpen()) return {.status = NetStatus::Closed};
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = ::send(AsSocket(socket_), reinterpret_cast<const char*>(bytes.data() + sent),
                             static_cast<int>(bytes.size() - sent), 0);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (!WouldBlock()) return {.status = NetStatus::Closed, .bytes = sent};
        bool stopped = false;
        const long events = WaitForEvents(waitMs, stop, stopped);
        if (stopped) return {.status = NetStatus::Stopped, .bytes = sent};
        if (events == 0) return {.status = NetStatus::TimedOut, .bytes = sent};
    }
    return {.status = NetStatus::Done, .bytes = sent};
}

NetOutcome TcpSocket::Receive(std::span<std::uint8_t> buffer, int waitMs, const StopEvent* stop) {
    if (!IsOpen()) return {.status = NetStatus::Closed};
    const PortClock::time_point deadline = PortClock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
    for (;;) {
        if (stop != nullptr && stop->IsSet()) return {.status = NetStatus::Stopped};
        // Tried before every wait: a read event taken by an earlier wait is not posted again
        // until something is received.
        const int n = ::recv(AsSocket(socket_), reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
        if (n > 0) return {.status = NetStatus::Done, .bytes = static_cast<std::size_t>(n)};
        if (n == 0 || !WouldBlock()) return {.status = NetStatus::Closed};
        bool stopped = false;
        const long events = WaitForEvents(MillisecondsUntil(deadline), stop, stopped);
        if (stopped) return {.status = NetStatus::Stopped};
        if (events == 0) return {.status = NetStatus::TimedOut};
    }
}

bool TcpSocket::Drain() {
    if (!IsOpen()) return false;
    std::array<char, 512> dropped;
    for (;;) {
        const int n = ::recv(AsSocket(socket_), dropped.data(), static_cast<int>(dropped.size()), 0);
        if (n > 0) continue;
        return n != 0 && WouldBlock();
    }
}

}  // namespace kelvo
