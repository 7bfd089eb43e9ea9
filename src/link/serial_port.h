// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CSerialPort: the termios serial port under the Modbus link. Opened exclusively,
// configured completely at open; reads timed with poll() beside the stop, so that a stop
// request ends any wait at once whatever the baud rate.

#include <string>
#include <string_view>

#include "link/port_name.h"
#include "link/transport.h"

namespace kelvo {

class CSerialPort final : public Transport {
public:
    // Handle states: none before the first open and after every close, an open
    // descriptor, or the invalid marker after a failed open.
    static constexpr int kNoHandle = -2;
    static constexpr int kInvalidHandle = -1;

    CSerialPort() = default;
    ~CSerialPort() override;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;
    CSerialPort(CSerialPort&& other) noexcept;
    CSerialPort& operator=(CSerialPort&& other) noexcept;

    // The endpoint's port with its line settings.
    PortError Open(const Endpoint& endpoint) override;
    PortError Open(std::string_view portName, int baudRate, int parity);
    void Configure(int baudRate, int parity) override;
    void Close() override;  // releases an open descriptor; the handle becomes "none"
    bool IsOpen() const override { return handle_ >= 0; }
    void Purge() override;
    void Write(std::span<const std::uint8_t> bytes) override;
    std::size_t Read(std::span<std::uint8_t> buffer, ReadTimeouts timeouts, const FrameComplete& complete = {}) override;
    bool Wait(std::chrono::milliseconds duration) override;
    void SetStop(const StopEvent* stop) override { stop_ = stop; }
    LineState State() const override { return state_; }
    int BaudRate() const override { return baudRate_; }

    int Handle() const { return handle_; }
    const std::string& PortName() const { return portName_; }
    PortError LastError() const { return lastError_; }

private:
    // The descriptor of the stop, or -1.
    int StopFd() const;
    // Notes a failed read, write or flush whose error means the device has gone.
    void NoteError(int error);

    std::string portName_;
    int baudRate_ = 0;
    int handle_ = kNoHandle;
    // Exclusive mode that this object set, and so must clear again.
    bool exclusiveSet_ = false;
    PortError lastError_ = PortError::None;
    const StopEvent* stop_ = nullptr;
    LineState state_ = LineState::Ok;
};

}  // namespace kelvo
