#pragma once
// The serial port under the Modbus link: opened exclusively for one transaction,
// configured completely at open, blocking reads timed by the baud-rate table.

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "link/port_name.h"

namespace kelvo {

// Why an open failed, for the detail text of the "打开串口失败！" box.
enum class PortError {
    None,
    NameTooLong,   // more than 5 characters
    NameEscapes,   // "/" in it, "." or "..": not a name of a port
    NoSuchDevice,  // the name resolves to nothing
    Busy,          // held by another program or by this one (e.g. the live connection)
    AccessDenied,  // the user is not in the dialout group
    NotATerminal,  // the path exists but is not a serial device
    Other,
};
std::string_view PortErrorText(PortError error);

// Largest single read and the driver queue size requested at open.
inline constexpr int kQueueSize = 4146;

struct ReadTimeouts {
    int intervalMs;  // between two received bytes, once the first has come; < 0: not used
    int totalMs;     // since the read began
};
// The timeouts are chosen by the baud rate alone.
ReadTimeouts TimeoutsForBaud(int baudRate);

// How the last wait of the port ended when it ended early.
enum class LineState {
    Ok,
    Stopped,  // the stop signal was raised; nothing more is sent or waited for
    Gone,     // the device went away (unplugged adapter, closed pseudo-terminal)
};

class CSerialPort {
public:
    // Handle states: none before the first open and after every close, an open
    // descriptor, or the invalid marker after a failed open.
    static constexpr int kNoHandle = -2;
    static constexpr int kInvalidHandle = -1;

    CSerialPort() = default;
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;
    CSerialPort(CSerialPort&& other) noexcept;
    CSerialPort& operator=(CSerialPort&& other) noexcept;

    // Returns the open descriptor or kInvalidHandle. Line settings the driver refuses
    // (a pseudo-terminal refuses parity) do not fail the open.
    int Open(std::string_view portName, int baudRate, int parityIndex);
    // New line settings for the open port, as Open would set them; the reads that follow
    // are timed by the new rate. A search tries one setting after another on one open port.
    void Configure(int baudRate, int parityIndex);
    void Close();  // releases an open descriptor; the handle becomes "none"
    void PurgeInput();
    void Write(const std::uint8_t* bytes, std::size_t count);
    // One read of at most kQueueSize bytes, ending by the timeouts of the baud rate.
    // Returns the count; the buffer is written only when the count is not zero.
    int ReadOnce(std::uint8_t* buffer);
    // Whether the bytes received so far make a whole frame.
    using FrameComplete = std::function<bool(std::span<const std::uint8_t>)>;
    // One read of at most kQueueSize bytes that ends once `complete` holds or at the
    // deadline, with no interval timeout: for exchanges that must end at a time of their
    // own rather than by the baud-rate table. Returns the count, as ReadOnce.
    int ReadUntil(std::uint8_t* buffer, std::chrono::steady_clock::time_point deadline,
                  const FrameComplete& complete);
    // The pause between a request and its answer; false when the stop signal ended it.
    bool Pause(std::chrono::milliseconds duration);

    // A descriptor that becomes readable when every wait of the port must end at once
    // (the polling thread's stop request); -1 for none. Kept across Open and Close.
    void SetStopSignal(int fd) { stopFd_ = fd; }
    // Ok after Open; once Stopped or Gone, the port sends and waits for nothing until
    // it is closed and opened again.
    LineState State() const { return state_; }

    int Handle() const { return handle_; }
    bool IsOpen() const { return handle_ >= 0; }
    const std::string& PortName() const { return portName_; }
    int BaudRate() const { return baudRate_; }
    PortError LastError() const { return lastError_; }

private:
    // Notes a failed read, write or flush whose error means the device has gone.
    void NoteError(int error);
    // The read of ReadOnce and ReadUntil: ends at the total deadline, `intervalMs` after
    // the latest byte (< 0: never), or once `complete` holds (empty: never).
    int Read(std::uint8_t* buffer, std::chrono::steady_clock::time_point totalDeadline, int intervalMs,
             const FrameComplete& complete);

    std::string portName_;
    int baudRate_ = 0;
    int handle_ = kNoHandle;
    // Exclusive mode that this object set, and so must clear again.
    bool exclusiveSet_ = false;
    PortError lastError_ = PortError::None;
    int stopFd_ = -1;
    LineState state_ = LineState::Ok;
};

}  // namespace kelvo
