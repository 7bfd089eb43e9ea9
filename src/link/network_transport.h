// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// NetworkTransport: the link's wire through a serial-to-Ethernet converter. A serial server
// in raw TCP mode ("RTU over TCP") gets the RTU frames unchanged; a Modbus TCP gateway gets
// each request with an MBAP header (transaction id counted up, unit id = the address, no CRC)
// and its answer unwrapped again, answers of another transaction, protocol or unit dropped,
// so that a late answer is never taken for the next request's.
//
// Over TCP nothing marks the end of a frame: an answer ends once it is whole by its length
// (AnswerLength), never by an interval timeout; the answer timeout is the endpoint's. A
// connection the converter closed (a reboot, an idle timeout) is opened again once before
// the request fails; after that the line is Gone and GoneReason says why.

#include <cstdint>
#include <span>
#include <vector>

#include "link/endpoint.h"
#include "link/tcp_socket.h"
#include "link/transport.h"

namespace kelvo {

class NetworkTransport final : public Transport {
public:
    explicit NetworkTransport(LinkType type);  // RtuOverTcp or ModbusTcp
    ~NetworkTransport() override = default;
    NetworkTransport(const NetworkTransport&) = delete;
    NetworkTransport& operator=(const NetworkTransport&) = delete;

    PortError Open(const Endpoint& endpoint) override;
    void Configure(int baudRate, int parity) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    void Purge() override;
    void Write(std::span<const std::uint8_t> bytes) override;
    // `complete` is not needed: the answer's length ends the read.
    std::size_t Read(std::span<std::uint8_t> buffer, ReadTimeouts timeouts, const FrameComplete& complete = {}) override;
    bool Wait(std::chrono::milliseconds duration) override;
    void SetStop(const StopEvent* stop) override { stop_ = stop; }
    LineState State() const override { return state_; }
    int BaudRate() const override { return endpoint_.baudRate; }
    ReadTimeouts AnswerTimeouts() const override { return {.intervalMs = -1, .totalMs = endpoint_.answerTimeoutMs}; }
    PortError GoneReason() const override { return goneReason_; }
    const WireFrames* Wire() const override { return type_ == LinkType::ModbusTcp ? &wire_ : nullptr; }
    LinkType Kind() const override { return type_; }

private:
    // Connects to the host's addresses in turn, within the answer timeout.
    PortError Connect();
    // The one new connection a request may have; false (the line Gone or Stopped) when it
    // is used up or fails.
    bool Reconnect();
    // Puts the request on the wire as the converter takes it; false when the connection
    // turned out closed.
    bool SendRequest();
    // The RTU answer once it is whole by its length, out of the bytes received so far into
    // `buffer`; its count, 0 while it is not whole.
    std::size_t TakeRtuAnswer(std::span<std::uint8_t> buffer);
    // What a connection lost in the middle of an answer leaves for the answer check to refuse.
    std::size_t TakeCutAnswer(std::span<std::uint8_t> buffer);
    bool Stopped();

    LinkType type_;
    SocketsLayer sockets_;
    Endpoint endpoint_;
    std::vector<SocketAddress> addresses_;  // the host's, looked up once per Open
    TcpSocket socket_;
    bool open_ = false;
    bool reopened_ = false;  // the current request has had its new connection
    std::vector<std::uint8_t> request_;  // the RTU request last written
    std::vector<std::uint8_t> inbox_;    // received, not yet handed over
    std::uint16_t transaction_ = 0;
    WireFrames wire_;
    const StopEvent* stop_ = nullptr;
    LineState state_ = LineState::Ok;
    PortError goneReason_ = PortError::None;
};

}  // namespace kelvo
