// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scripted converter on 127.0.0.1 for the network transports' tests: it listens on a port
// of its own choosing, takes one connection at a time, cuts what it receives into whole
// requests (RTU frames by their function code, or MBAP frames by their length) and answers
// each as the test's script says — in one segment or several, late, never, or with a close.
// It can go down and come back on the same port, as a converter that reboots. Also the two
// peers that a connect cannot finish with: a port nobody listens on (refused) and a listener
// whose backlog is full and that never accepts (the connect never completes). Everything
// runs on loopback, with bounded waits, and ends with the object.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "link/tcp_socket.h"

namespace kelvo::test {

#ifdef _WIN32
using PeerSocket = SOCKET;
inline constexpr PeerSocket kNoPeerSocket = INVALID_SOCKET;
inline constexpr int kPeerSendFlags = 0;
inline void ClosePeerSocket(PeerSocket s) { closesocket(s); }
#else
using PeerSocket = int;
inline constexpr PeerSocket kNoPeerSocket = -1;
// A master that closed first must not end the test with SIGPIPE.
inline constexpr int kPeerSendFlags = MSG_NOSIGNAL;
inline void ClosePeerSocket(PeerSocket s) { ::close(s); }
#endif

using PeerBytes = std::vector<std::uint8_t>;

// A socket on 127.0.0.1, bound to `port` (0: one the system picks); kNoPeerSocket on failure.
inline PeerSocket BoundLoopbackSocket(int port) {
    const PeerSocket s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == kNoPeerSocket) return s;
    const int on = 1;
    (void)setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ClosePeerSocket(s);
        return kNoPeerSocket;
    }
    return s;
}

inline int PortOf(PeerSocket s) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return ntohs(address.sin_port);
}

// True when `s` becomes readable within waitMs.
inline bool Readable(PeerSocket s, int waitMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval limit{.tv_sec = 0, .tv_usec = waitMs * 1000};
    return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &limit) > 0;
}

// How the converter cuts what it receives into requests.
enum class PeerFraming { Rtu, Mbap };

// The length of the request at the start of `bytes`, 0 while it is not whole.
inline std::size_t WholeRequest(PeerFraming framing, std::span<const std::uint8_t> bytes) {
    if (framing == PeerFraming::Mbap) {
        if (bytes.size() < 7) return 0;
        const std::size_t length = 6 + (bytes[4] << 8 | bytes[5]);
        return bytes.size() >= length ? length : 0;
    }
    if (bytes.size() < 2) return 0;
    std::size_t length = 8;  // 0x04 and anything unknown
    if (bytes[1] == 0x41) length = 6;
    if (bytes[1] == 0x10) length = bytes.size() < 7 ? SIZE_MAX : 9 + std::size_t{bytes[6]};
    return bytes.size() >= length ? length : 0;
}

// What the converter does with one request.
struct PeerReply {
    std::vector<PeerBytes> segments{};  // sent in turn, each on its own (a short pause between)
    bool close = false;               // then closes the connection
    bool goDown = false;              // then stops listening too: connects are refused
};
// connection: 1 for the first accepted; request: 1 for the first of the whole run.
using PeerScript = std::function<PeerReply(int connection, int request, std::span<const std::uint8_t> frame)>;

class LoopbackGateway {
public:
    LoopbackGateway(PeerFraming framing, PeerScript script) : framing_(framing), script_(std::move(script)) {
        Listen(0);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackGateway() {
        stopping_.store(true);
        thread_.join();
        CloseClient();
        CloseListener();
    }
    LoopbackGateway(const LoopbackGateway&) = delete;
    LoopbackGateway& operator=(const LoopbackGateway&) = delete;

    bool Ready() const { return port_ != 0; }
    int Port() const { return port_; }
    // Listens again on the same port after a goDown, as a converter back from its reboot.
    void ComeBack() {
        const std::lock_guard lock(mutex_);
        if (listener_ == kNoPeerSocket) Listen(port_);
    }
    std::vector<PeerBytes> Requests() {
        const std::lock_guard lock(mutex_);
        return requests_;
    }
    int Connections() {
        const std::lock_guard lock(mutex_);
        return connections_;
    }

private:
    void Listen(int port) {
        listener_ = BoundLoopbackSocket(port);
        if (listener_ != kNoPeerSocket && ::listen(listener_, 4) != 0) CloseListener();
        if (listener_ != kNoPeerSocket) port_ = PortOf(listener_);
    }
    void CloseListener() {
        if (listener_ != kNoPeerSocket) ClosePeerSocket(listener_);
        listener_ = kNoPeerSocket;
    }
    void CloseClient() {
        if (client_ != kNoPeerSocket) ClosePeerSocket(client_);
        client_ = kNoPeerSocket;
        received_.clear();
    }

    void Serve() {
        while (!stopping_.load()) {
            PeerSocket listener = kNoPeerSocket;
            {
                const std::lock_guard lock(mutex_);
                listener = listener_;
            }
            if (client_ == kNoPeerSocket) {
                if (listener == kNoPeerSocket || !Readable(listener, 10)) {
                    if (listener == kNoPeerSocket) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    continue;
                }
                client_ = ::accept(listener, nullptr, nullptr);
                if (client_ == kNoPeerSocket) continue;
                const int on = 1;
                (void)setsockopt(client_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
                const std::lock_guard lock(mutex_);
                ++connections_;
                continue;
            }
            if (!Readable(client_, 10)) continue;
            char piece[512];
            const auto n = ::recv(client_, piece, sizeof piece, 0);
            if (n <= 0) {
                CloseClient();
                continue;
            }
            received_.insert(received_.end(), piece, piece + n);
            Answer();
        }
    }

    void Answer() {
        while (const std::size_t length = WholeRequest(framing_, received_)) {
            const PeerBytes frame(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(length));
            received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(length));
            int connection = 0;
            int request = 0;
            {
                const std::lock_guard lock(mutex_);
                requests_.push_back(frame);
                connection = connections_;
                request = static_cast<int>(requests_.size());
            }
            const PeerReply reply = script_(connection, request, frame);
            for (std::size_t i = 0; i < reply.segments.size(); ++i) {
                // Apart, so that each is a segment of its own on the wire.
                if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                const PeerBytes& segment = reply.segments[i];
                (void)::send(client_, reinterpret_cast<const char*>(segment.data()), static_cast<int>(segment.size()),
                             kPeerSendFlags);
            }
            if (reply.goDown) {
                const std::lock_guard lock(mutex_);
                CloseListener();
            }
            if (reply.close || reply.goDown) {
                CloseClient();
                return;
            }
        }
    }

    SocketsLayer sockets_;
    PeerFraming framing_;
    PeerScript script_;
    std::mutex mutex_;  // guards the listener, the requests and the count of connections
    PeerSocket listener_ = kNoPeerSocket;
    PeerSocket client_ = kNoPeerSocket;  // the serving thread's alone
    PeerBytes received_;
    std::vector<PeerBytes> requests_;
    int connections_ = 0;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// A port on 127.0.0.1 that is bound but not listening: a connect to it is refused.
class RefusingPort {
public:
    RefusingPort() : socket_(BoundLoopbackSocket(0)), port_(socket_ == kNoPeerSocket ? 0 : PortOf(socket_)) {}
    ~RefusingPort() {
        if (socket_ != kNoPeerSocket) ClosePeerSocket(socket_);
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    int Port() const { return port_; }

private:
    SocketsLayer sockets_;
    PeerSocket socket_;
    int port_;
};

// A listener on 127.0.0.1 that never accepts, its backlog filled by connections of its own:
// the system drops every further connect's handshake, so that a connect never completes.
class StalledListener {
public:
    StalledListener() : listener_(BoundLoopbackSocket(0)) {
        if (listener_ == kNoPeerSocket || ::listen(listener_, 0) != 0) return;
        port_ = PortOf(listener_);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        // The backlog is full once a connect no longer completes; a few do before that.
        for (int filler = 0; filler < 16; ++filler) {
            const PeerSocket s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            fillers_.push_back(s);
#ifdef _WIN32
            u_long nonBlocking = 1;
            ioctlsocket(s, FIONBIO, &nonBlocking);
#else
            fcntl(s, F_SETFL, O_NONBLOCK);
#endif
            (void)::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
            fd_set writable;
            FD_ZERO(&writable);
            FD_SET(s, &writable);
            timeval limit{.tv_sec = 0, .tv_usec = 200 * 1000};
            if (select(static_cast<int>(s) + 1, nullptr, &writable, nullptr, &limit) <= 0) {
                full_ = true;
                break;
            }
        }
    }
    ~StalledListener() {
        for (const PeerSocket s : fillers_) ClosePeerSocket(s);
        if (listener_ != kNoPeerSocket) ClosePeerSocket(listener_);
    }
    StalledListener(const StalledListener&) = delete;
    StalledListener& operator=(const StalledListener&) = delete;
    // False when the system accepted every filler: then no connect can be made to hang.
    bool Full() const { return full_; }
    int Port() const { return port_; }

private:
    SocketsLayer sockets_;
    PeerSocket listener_;
    std::vector<PeerSocket> fillers_;
    int port_ = 0;
    bool full_ = false;
};

}  // namespace kelvo::test
