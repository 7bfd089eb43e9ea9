// SPDX-License-Identifier: GPL-3.0-or-later
// The POSIX side of tcp_socket.h: non-blocking sockets waited for with poll() beside the
// stop's eventfd.

#include "link/tcp_socket.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "link/stop_event.h"

namespace kelvo {
namespace {

// A cable pulled while the line is idle is found after about 5 + 3 × 2 s without an
// answer to the keep-alive probes; data the far end does not acknowledge for 10 s ends
// the connection as well.
constexpr int kKeepAliveIdleSeconds = 5;
constexpr int kKeepAliveIntervalSeconds = 2;
constexpr int kKeepAliveProbes = 3;
constexpr unsigned kUnacknowledgedLimitMs = 10000;
// Without a descriptor of the stop, a wait looks at it this often.
constexpr int kStopLookMs = 10;

PortError ConnectError(int error) {
    switch (error) {
        case ECONNREFUSED:
            return PortError::ConnectionRefused;
        case ENETUNREACH:
        case EHOSTUNREACH:
        case ENETDOWN:
        case EHOSTDOWN:
        case EADDRNOTAVAIL:
            return PortError::NoRoute;
        case ETIMEDOUT:
            return PortError::ConnectTimedOut;
        default:
            return PortError::NetworkOther;
    }
}

}  // namespace

PortError HostLookupError(int status) {
    switch (status) {
        case EAI_NONAME:
        case EAI_NODATA:
        case EAI_AGAIN:
        case EAI_FAIL:
        case EAI_ADDRFAMILY:
            return PortError::HostNotFound;
        default:
            return PortError::NetworkOther;
    }
}

namespace {

// Requests are a few bytes each and wait for their answer: Nagle's delay would only slow
// them. Options the system refuses leave the connection as it is.
void SetConnectionOptions(int fd) {
    const int on = 1;
    (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    (void)setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepAliveIdleSeconds, sizeof kKeepAliveIdleSeconds);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepAliveIntervalSeconds, sizeof kKeepAliveIntervalSeconds);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepAliveProbes, sizeof kKeepAliveProbes);
    (void)setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &kUnacknowledgedLimitMs, sizeof kUnacknowledgedLimitMs);
}

enum class Ready { Yes, TimedOut, Stopped };

// Waits until the socket is ready for `events` (or has news: an error, a hang-up), the
// deadline passes or the stop is raised.
Ready WaitReady(int fd, short events, PortClock::time_point deadline, const StopEvent* stop) {
    const int stopFd = stop != nullptr ? stop->Fd() : -1;
    for (;;) {
        if (stop != nullptr && stop->IsSet()) return Ready::Stopped;
        const int left = MillisecondsUntil(deadline);
        const int step = stop != nullptr && stopFd < 0 ? std::min(left, kStopLookMs) : left;
        pollfd waitFor[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
        const int ready = ::poll(waitFor, stopFd >= 0 ? 2 : 1, step);
        if (ready < 0 && errno != EINTR) return Ready::Yes;  // the call that follows says what is wrong
        if (ready > 0) return waitFor[1].revents != 0 ? Ready::Stopped : Ready::Yes;
        if (ready == 0 && left == 0) return Ready::TimedOut;
    }
}

NetOutcome Unready(Ready ready) { return {.status = ready == Ready::Stopped ? NetStatus::Stopped : NetStatus::TimedOut}; }

}  // namespace

SocketsLayer::SocketsLayer() : ready_(true) {}
SocketsLayer::~SocketsLayer() = default;

PortError TcpSocket::Connect(const SocketAddress& address, PortClock::time_point deadline, const StopEvent* stop,
                             bool& stopped) {
    Close();
    stopped = false;
    fd_ = ::socket(address.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd_ < 0) return PortError::NetworkOther;
    sockaddr_storage target{};
    std::memcpy(&target, address.bytes.data(), std::min(address.length, sizeof target));
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&target), static_cast<socklen_t>(address.length)) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            const PortError error = ConnectError(errno);
            Close();
            return error;
        }
        const Ready ready = WaitReady(fd_, POLLOUT, deadline, stop);
        if (ready != Ready::Yes) {
            stopped = ready == Ready::Stopped;
            Close();
            return stopped ? PortError::NetworkOther : PortError::ConnectTimedOut;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        if (error != 0) {
            Close();
            return ConnectError(error);
        }
    }
    SetConnectionOptions(fd_);
    return PortError::None;
}

void TcpSocket::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool TcpSocket::IsOpen() const { return fd_ >= 0; }

NetOutcome TcpSocket::Send(std::span<const std::uint8_t> bytes, int waitMs, const StopEvent* stop) {
    if (fd_ < 0) return {.status = NetStatus::Closed};
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (stop != nullptr && stop->IsSet()) return {.status = NetStatus::Stopped, .bytes = sent};
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return {.status = NetStatus::Closed, .bytes = sent};
        const Ready ready = WaitReady(fd_, POLLOUT, PortClock::now() + std::chrono::milliseconds(waitMs), stop);
        if (ready != Ready::Yes) return {.status = Unready(ready).status, .bytes = sent};
    }
    return {.status = NetStatus::Done, .bytes = sent};
}

NetOutcome TcpSocket::Receive(std::span<std::uint8_t> buffer, int waitMs, const StopEvent* stop) {
    if (fd_ < 0) return {.status = NetStatus::Closed};
    const PortClock::time_point deadline = PortClock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
    for (;;) {
        if (stop != nullptr && stop->IsSet()) return {.status = NetStatus::Stopped};
        const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n > 0) return {.status = NetStatus::Done, .bytes = static_cast<std::size_t>(n)};
        if (n == 0) return {.status = NetStatus::Closed};
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return {.status = NetStatus::Closed};
        if (const Ready ready = WaitReady(fd_, POLLIN, deadline, stop); ready != Ready::Yes) return Unready(ready);
    }
}

bool TcpSocket::Drain() {
    if (fd_ < 0) return false;
    std::array<std::uint8_t, 512> dropped;
    for (;;) {
        const ssize_t n = ::recv(fd_, dropped.data(), dropped.size(), MSG_DONTWAIT);
        if (n > 0) continue;
        if (n == 0) return false;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

}  // namespace kelvo
