// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/network_transport.h"

#include <algorithm>
#include <array>

#include "link/answer_check.h"
#include "link/host_lookup.h"
#include "link/mbap.h"
#include "link/stop_event.h"

namespace kelvo {
namespace {

using std::chrono::milliseconds;

std::size_t CopyOut(std::span<const std::uint8_t> from, std::span<std::uint8_t> to) {
    const std::size_t count = std::min(from.size(), to.size());
    std::copy_n(from.begin(), count, to.begin());
    return count;
}

}  // namespace

NetworkTransport::NetworkTransport(LinkType type) : type_(type) {}

PortError NetworkTransport::Open(const Endpoint& endpoint) {
    Close();
    endpoint_ = endpoint;
    if (!sockets_.Ready()) return PortError::NetworkOther;
    if (CheckHost(endpoint.host) != HostProblem::None || endpoint.tcpPort < 1 || endpoint.tcpPort > 65535) {
        return PortError::HostInvalid;
    }
    // Once per connection: a name that moves to another address is followed at the next open.
    const auto deadline = PortClock::now() + milliseconds(endpoint.answerTimeoutMs);
    HostLookup lookup = LookUpHost(endpoint.host, endpoint.tcpPort, deadline, stop_);
    if (lookup.stopped) {
        state_ = LineState::Stopped;
        return PortError::NetworkOther;
    }
    if (lookup.resolved.error != PortError::None) return lookup.resolved.error;
    addresses_ = std::move(lookup.resolved.addresses);
    if (const PortError connected = Connect(); connected != PortError::None) return connected;
    open_ = true;
    return PortError::None;
}

PortError NetworkTransport::Connect() {
    const auto deadline = PortClock::now() + milliseconds(endpoint_.answerTimeoutMs);
    PortError last = PortError::HostNotFound;
    // A name may stand for several addresses (IPv6 and IPv4 of "localhost"): each in turn.
    for (const SocketAddress& address : addresses_) {
        bool stopped = false;
        last = socket_.Connect(address, deadline, stop_, stopped);
        if (stopped) {
            state_ = LineState::Stopped;
            return PortError::NetworkOther;
        }
        if (last == PortError::None || MillisecondsUntil(deadline) == 0) break;
    }
    return last;
}

void NetworkTransport::Configure(int baudRate, int parity) {
    // The converter's line stays as it was set up; the rate only estimates its timing.
    endpoint_.baudRate = baudRate;
    endpoint_.parity = parity;
}

void NetworkTransport::Close() {
    socket_.Close();
    open_ = false;
    addresses_.clear();
    inbox_.clear();
    wire_ = {};
    state_ = LineState::Ok;
    goneReason_ = PortError::None;
}

bool NetworkTransport::Stopped() {
    if (stop_ != nullptr && stop_->IsSet()) state_ = LineState::Stopped;
    return state_ == LineState::Stopped;
}

void NetworkTransport::Purge() {
    inbox_.clear();
    // A close the converter made meanwhile shows here; the request then gets a new connection.
    if (socket_.IsOpen() && !socket_.Drain()) socket_.Close();
}

bool NetworkTransport::Reconnect() {
    socket_.Close();
    inbox_.clear();
    if (reopened_) {
        state_ = LineState::Gone;
        goneReason_ = PortError::ConnectionClosed;
        return false;
    }
    reopened_ = true;
    const PortError connected = Connect();
    if (state_ != LineState::Ok) return false;
    if (connected != PortError::None) {
        state_ = LineState::Gone;
        goneReason_ = connected;
        return false;
    }
    return true;
}

bool NetworkTransport::SendRequest() {
    std::vector<std::uint8_t> frame = request_;
    if (type_ == LinkType::ModbusTcp) {
        frame = MbapFromRtu(request_, ++transaction_);
        wire_.sent = frame;
    }
    const NetOutcome sent = socket_.Send(frame, endpoint_.answerTimeoutMs, stop_);
    if (sent.status == NetStatus::Done) return true;
    if (sent.status == NetStatus::Stopped) {
        state_ = LineState::Stopped;
    } else {
        socket_.Close();
    }
    return false;
}

void NetworkTransport::Write(std::span<const std::uint8_t> bytes) {
    if (!open_ || state_ != LineState::Ok) return;
    request_.assign(bytes.begin(), bytes.end());
    reopened_ = false;
    wire_ = {};
    if (!socket_.IsOpen() && !Reconnect()) return;
    if (!SendRequest() && state_ == LineState::Ok && Reconnect()) SendRequest();
}

std::size_t NetworkTransport::TakeRtuAnswer(std::span<std::uint8_t> buffer) {
    const std::size_t length = AnswerLength(request_, inbox_);
    if (length == 0 || inbox_.size() < length) return 0;
    // Bytes after the answer belong to no request of ours: the next purge drops them.
    const std::size_t count = CopyOut(std::span(inbox_).first(length), buffer);
    inbox_.erase(inbox_.begin(), inbox_.begin() + static_cast<std::ptrdiff_t>(length));
    return count;
}

std::size_t NetworkTransport::TakeCutAnswer(std::span<std::uint8_t> buffer) {
    if (inbox_.empty()) return 0;
    std::vector<std::uint8_t> part = inbox_;
    inbox_.clear();
    if (type_ == LinkType::ModbusTcp) {
        wire_.received.push_back(part);
        const auto header = ReadMbapHeader(part);
        const auto sent = ReadMbapHeader(wire_.sent);
        // The start of another request's answer is none of this one's.
        if (header && sent && MatchMbap(*sent, *header) != MbapMatch::Answer) return 0;
        part = RtuFromMbap(part);
    }
    return CopyOut(part, buffer);
}

std::size_t NetworkTransport::Read(std::span<std::uint8_t> buffer, ReadTimeouts timeouts,
                                   const FrameComplete& /*complete*/) {
    if (!open_ || state_ != LineState::Ok || buffer.empty()) return 0;
    const auto deadline = PortClock::now() + milliseconds(std::max(timeouts.totalMs, 0));
    std::array<std::uint8_t, 1024> piece;
    for (;;) {
        if (type_ == LinkType::ModbusTcp) {
            // Whole frames are judged one by one: another transaction's answer is dropped
            // and the wait goes on for this one's.
            for (;;) {
                const auto header = ReadMbapHeader(inbox_);
                if (!header) break;
                if (!header->Plausible()) {
                    // Out of step: nothing after this can be told apart. A new connection
                    // for the next request.
                    wire_.received.push_back(inbox_);
                    inbox_.clear();
                    socket_.Close();
                    return 0;
                }
                if (inbox_.size() < header->FrameBytes()) break;
                std::vector<std::uint8_t> frame(inbox_.begin(),
                                                inbox_.begin() + static_cast<std::ptrdiff_t>(header->FrameBytes()));
                inbox_.erase(inbox_.begin(), inbox_.begin() + static_cast<std::ptrdiff_t>(header->FrameBytes()));
                wire_.received.push_back(frame);
                const auto sent = ReadMbapHeader(wire_.sent);
                if (sent && MatchMbap(*sent, *header) == MbapMatch::Answer) return CopyOut(RtuFromMbap(frame), buffer);
            }
        } else if (const std::size_t count = TakeRtuAnswer(buffer); count > 0) {
            return count;
        } else if (inbox_.size() >= buffer.size()) {
            return TakeCutAnswer(buffer);  // as much as a read takes, as on the serial line
        }
        if (Stopped()) return 0;
        const int waitMs = MillisecondsUntil(deadline);
        if (waitMs == 0) return TakeCutAnswer(buffer);
        const NetOutcome got = socket_.Receive(piece, waitMs, stop_);
        switch (got.status) {
            case NetStatus::Done:
                inbox_.insert(inbox_.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(got.bytes));
                break;
            case NetStatus::TimedOut:
                return TakeCutAnswer(buffer);
            case NetStatus::Stopped:
                state_ = LineState::Stopped;
                return 0;
            case NetStatus::Closed:
                socket_.Close();
                // Cut in the middle of an answer: what came is refused as cut short, and the
                // next request gets a new connection.
                if (!inbox_.empty()) return TakeCutAnswer(buffer);
                // Closed before any answer (an idle timeout that met the request): the
                // request once more on a new connection.
                if (Reconnect() && SendRequest()) break;
                if (state_ == LineState::Ok) {
                    state_ = LineState::Gone;
                    goneReason_ = PortError::ConnectionClosed;
                }
                return 0;
        }
    }
}

bool NetworkTransport::Wait(std::chrono::milliseconds duration) {
    if (PauseUnlessStopped(stop_, duration)) return true;
    state_ = LineState::Stopped;
    return false;
}

std::unique_ptr<Transport> MakeNetworkTransport(LinkType type) { return std::make_unique<NetworkTransport>(type); }

std::unique_ptr<Transport> MakeTransport(LinkType type) {
    return type == LinkType::Serial ? MakeSerialTransport() : MakeNetworkTransport(type);
}

}  // namespace kelvo
