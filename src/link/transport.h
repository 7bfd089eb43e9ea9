#pragma once
// The wire under the Modbus link, as one small interface: the link never asks which port
// it talks through. The termios port serves on Linux; tests script a fake one; a Win32
// port or a network gateway fill the same table of operations.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

namespace kelvo {

class StopEvent;

// Why an open failed, for the detail text of the "打开串口失败！" box.
enum class PortError {
    None,
    NameTooLong,   // more than 5 characters
    NameEscapes,   // "/" in it, "." or "..": not a name of a port
    NoSuchDevice,  // the name resolves to nothing
    Busy,          // held by another program or by this one
    AccessDenied,  // the user is not in the dialout group
    NotATerminal,  // the path exists but is not a serial device
    Other,
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

class Transport {
public:
    virtual ~Transport() = default;

    // Opens the port for this program alone, with 8 data bits, 1 stop bit, the parity
    // (0 none, 1 odd, 2 even), no flow control and the modem lines idle. Line settings the
    // driver refuses do not fail the open.
    virtual PortError Open(std::string_view portName, int baudRate, int parity) = 0;
    // New line settings for the open port; the reads that follow are timed by the new rate.
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
};

// The serial port of the platform the program runs on.
std::unique_ptr<Transport> MakeSerialTransport();

}  // namespace kelvo
