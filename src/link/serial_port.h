#pragma once
// The serial port under the Modbus link: opened exclusively for one transaction,
// configured completely at open, blocking reads timed by the baud-rate table.

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo {

// Why an open failed, for the detail text of the "打开串口失败！" box.
enum class PortError {
    None,
    NameTooLong,   // more than 5 characters
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

// Resolves a short port name to a device path:
//   <settings folder>/ports/<name> when it exists (a link or a path to a device);
//   COMn -> /dev/ttyS<n-1>, USBn -> /dev/ttyUSBn, ACMn -> /dev/ttyACMn;
//   anything else -> /dev/<name>.
std::string ResolvePortPath(std::string_view portName);

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
    void Close();  // releases an open descriptor; the handle becomes "none"
    void PurgeInput();
    void Write(const std::uint8_t* bytes, std::size_t count);
    // One read of at most kQueueSize bytes, ending by the timeouts of the baud rate.
    // Returns the count; the buffer is written only when the count is not zero.
    int ReadOnce(std::uint8_t* buffer);

    int Handle() const { return handle_; }
    bool IsOpen() const { return handle_ >= 0; }
    const std::string& PortName() const { return portName_; }
    int BaudRate() const { return baudRate_; }
    PortError LastError() const { return lastError_; }

private:
    std::string portName_;
    int baudRate_ = 0;
    int handle_ = kNoHandle;
    PortError lastError_ = PortError::None;
};

}  // namespace kelvo
