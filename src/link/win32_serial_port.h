// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Win32SerialPort: the serial port under the Modbus link on Windows, \\.\COMn opened for
// this program alone. Reads and writes are overlapped, and every wait for one also waits
// for the stop, so that "断开", closing the window and a search's cancel end it at once,
// as poll() does on Linux. Reads are timed by the port's own COMMTIMEOUTS, which mean
// exactly what ReadTimeouts means.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "link/transport.h"
#include "settings/win32_handle.h"

namespace kelvo {

class Win32SerialPort final : public Transport {
public:
    Win32SerialPort();
    ~Win32SerialPort() override = default;
    Win32SerialPort(Win32SerialPort&&) noexcept = default;
    Win32SerialPort& operator=(Win32SerialPort&&) noexcept = default;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    // The endpoint's port with its line settings.
    PortError Open(const Endpoint& endpoint) override;
    PortError Open(std::string_view portName, int baudRate, int parity);
    void Configure(int baudRate, int parity) override;
    void Close() override;
    bool IsOpen() const override { return port_.valid(); }
    void Purge() override;
    void Write(std::span<const std::uint8_t> bytes) override;
    std::size_t Read(std::span<std::uint8_t> buffer, ReadTimeouts timeouts, const FrameComplete& complete = {}) override;
    bool Wait(std::chrono::milliseconds duration) override;
    void SetStop(const StopEvent* stop) override { stop_ = stop; }
    LineState State() const override { return state_; }
    int BaudRate() const override { return baudRate_; }

    // The port's HANDLE while open, else null.
    void* Handle() const { return port_.get(); }
    const std::string& PortName() const { return portName_; }
    PortError LastError() const { return lastError_; }

private:
    struct Transfer {
        std::uint32_t bytes = 0;
        std::uint32_t error = 0;  // the Win32 error of a failed transfer, 0 when it ended well
        bool stopped = false;
    };
    // Waits for the overlapped operation that ReadFile or WriteFile started (started: their
    // result) beside the stop, for at most limitMs; a stop or the limit cancels it and waits
    // until the system is done with its buffer.
    Transfer Finish(bool started, void* overlapped, std::uint32_t limitMs);
    // One overlapped read with these port timeouts (interval 0: none).
    std::size_t ReadPiece(std::span<std::uint8_t> piece, std::uint32_t intervalMs, std::uint32_t totalMs);
    // What the driver holds received; 0 when it cannot say.
    std::size_t QueuedBytes();
    void SetTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs);
    bool StopRaised() const;
    // Notes a failed call whose error means the adapter has gone.
    void NoteError(std::uint32_t error);

    std::string portName_;
    int baudRate_ = 0;
    Win32Handle port_;
    Win32Handle transferDone_;  // the manual-reset event of the overlapped operation under way
    // The read timeouts the port holds; interval UINT32_MAX: none set since the open.
    std::uint32_t intervalSet_ = UINT32_MAX;
    std::uint32_t totalSet_ = 0;
    PortError lastError_ = PortError::None;
    const StopEvent* stop_ = nullptr;
    LineState state_ = LineState::Ok;
};

}  // namespace kelvo
