// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wire under the Modbus link, as one small interface: the link never asks which port
// it talks through. The serial port of each platform (termios, Win32), a TCP connection to
// a serial server or a Modbus TCP gateway, and the scripted fake of the tests fill the same
// table of operations; one factory picks the transport an endpoint needs.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "link/endpoint.h"

namespace kelvo {

class StopEvent;

// Why an open failed, for the detail text of the "打开串口失败！" box; for a network
// connection also why it was lost.
enum class PortError {
    None,
    NameTooLong,   // more than 5 characters
    NameEscapes,   // "/" in it, "." or "..": not a name of a port
    NoSuchDevice,  // the name resolves to nothing
    Busy,          // held by another program or by this one
    AccessDenied,  // the user is not in the dialout group
    NotATerminal,  // the path exists but is not a serial device
    Other,
    HostInvalid,        // no name, IPv4 or IPv6 address (see CheckHost), or no TCP port
    HostNotFound,       // the name resolves to no address
    ConnectionRefused,  // nothing listens on that port, or the converter turned us away
    NoRoute,            // the network or the host cannot be reached from here
    ConnectTimedOut,    // no answer to the connect within the network timeout
    ConnectionClosed,   // the converter closed the connection (reboot, idle timeout)
    NetworkOther,       // any other failure of the network or its sockets
};

// Largest single read and the driver queue size requested at open.
inline constexpr int kQueueSize = 4146;

struct ReadTimeouts {
    int intervalMs;  // between two received bytes, once the first has come; < 0: not used
    int totalMs;     // since the read began
};
// The timeouts a read of the link waits by, chosen by the baud rate alone.
ReadTimeouts TimeoutsForBaud(int baudRate);

// How the port's last wait ended when it ended early.
enum class LineState {
    Ok,
    Stopped,  // the stop was raised; nothing more is sent or waited for until the next open
    Gone,     // the device went away (unplugged adapter, closed pseudo-terminal)
};

// Whether the bytes received so far make a whole frame.
using FrameComplete = std::function<bool(std::span<const std::uint8_t>)>;

// The frames of the latest request and its read as they crossed the wire, where the wire
// carries other frames than the link's own (a Modbus TCP gateway's MBAP frames): the traffic
// monitor shows what really went out and came in, the frames dropped as another request's
// answers included.
struct WireFrames {
    std::vector<std::uint8_t> sent;
    std::vector<std::vector<std::uint8_t>> received;  // in the order they came
};

class Transport {
public:
    virtual ~Transport() = default;

    // A serial port: opens it for this program alone, with 8 data bits, 1 stop bit, the
    // parity (0 none, 1 odd, 2 even), no flow control and the modem lines idle; line
    // settings the driver refuses do not fail the open. A network endpoint: resolves the
    // host once and connects within the endpoint's timeout; the stop ends the wait at once.
    virtual PortError Open(const Endpoint& endpoint) = 0;
    // New line settings for the open port; the reads that follow are timed by the new rate.
    // A network connection keeps its converter's settings.
    virtual void Configure(int baudRate, int parity) = 0;
    // Allowed in every state.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Drops whatever arrived before the request about to go out.
    virtual void Purge() = 0;
    // Returns once the meter has every byte (or the line is gone or stopped).
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    // One read into `buffer`: ends when it is full, `timeouts.intervalMs` after the latest
    // byte once one came, `timeouts.totalMs` after the read began, or once `complete` (may
    // be empty) holds for the bytes so far. Returns the count.
    virtual std::size_t Read(std::span<std::uint8_t> buffer, ReadTimeouts timeouts,
                             const FrameComplete& complete = {}) = 0;
    // The pause between a request and its answer; false when the stop ended it.
    virtual bool Wait(std::chrono::milliseconds duration) = 0;

    // Every wait of the port ends at once while `stop` is set (nullptr: no stop). Kept
    // across Open and Close.
    virtual void SetStop(const StopEvent* stop) = 0;
    // Ok after Open; once Stopped or Gone until the next Open.
    virtual LineState State() const = 0;
    virtual int BaudRate() const = 0;

    // How long the link waits for an answer: on a serial line the baud rate's timeouts;
    // over the network the endpoint's answer timeout, with no interval timeout.
    virtual ReadTimeouts AnswerTimeouts() const { return TimeoutsForBaud(BaudRate()); }
    // Why the line is Gone, where it can say more than that the device went away (a network
    // connection the converter closed and that could not be opened again); None otherwise.
    virtual PortError GoneReason() const { return PortError::None; }
    // The transport's own wire frames of the latest exchange (see WireFrames); nullptr where
    // the link's frames are what crossed the wire.
    virtual const WireFrames* Wire() const { return nullptr; }
    // The kind of endpoint it serves (the link keeps one transport per kind).
    virtual LinkType Kind() const { return LinkType::Serial; }
};

// The serial port of the platform the program runs on.
std::unique_ptr<Transport> MakeSerialTransport();
// A TCP connection to a converter of the kind (RtuOverTcp or ModbusTcp).
std::unique_ptr<Transport> MakeNetworkTransport(LinkType type);
// The transport an endpoint of the kind needs: the serial port or a network connection.
std::unique_ptr<Transport> MakeTransport(LinkType type);

}  // namespace kelvo
