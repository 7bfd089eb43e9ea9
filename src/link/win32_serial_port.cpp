// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/win32_serial_port.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "link/port_name.h"
#include "link/read_deadline.h"
#include "link/stop_event.h"
#include "link/win32_port_list.h"
#include "settings/settings.h"
#include "settings/win32_text.h"

namespace kelvo {
namespace {

// Writing the largest request takes a few hundred milliseconds even at 1200 baud; a port
// that has not taken a request this long after its wire time is stuck (a dead adapter).
constexpr DWORD kWriteStallMs = 5000;
// How much longer than its own timeouts an overlapped operation is waited for before it is
// cancelled: only a driver that ignores its timeouts ever needs it.
constexpr DWORD kDriverGraceMs = 2000;
// ERROR_NO_SUCH_DEVICE, which mingw-w64's headers do not name.
constexpr DWORD kErrorNoSuchDevice = 433;

PortError ErrorFromOpen(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_DEV_NOT_EXIST:
        case kErrorNoSuchDevice:
        case ERROR_DEVICE_REMOVED:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_NOT_READY:
        // A port number whose adapter was pulled out while its driver still lists it.
        case ERROR_GEN_FAILURE:
            return PortError::NoSuchDevice;
        // Windows has no permissions on serial ports: a refused open means the port is
        // open already, by another program or by this one's connection.
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return PortError::Busy;
        default:
            return PortError::Other;
    }
}

// Errors of an open handle after which it is of no more use: the adapter was pulled out.
// Drivers say so in different words: usbser with ERROR_ACCESS_DENIED or
// ERROR_DEVICE_REMOVED, FTDI with ERROR_BAD_COMMAND, CH340 and Prolific with
// ERROR_GEN_FAILURE; Wine with ERROR_BROKEN_PIPE when the far end of its pseudo-terminal
// closed. An operation the driver cancelled itself ends with
// ERROR_OPERATION_ABORTED (this port's own cancels, for a stop or a driver past its
// timeouts, are told apart before they get here).
bool MeansDeviceGone(DWORD error) {
    switch (error) {
        case ERROR_DEVICE_REMOVED:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_ACCESS_DENIED:
        case ERROR_INVALID_HANDLE:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_DEVICE_NOT_CONNECTED:
        case kErrorNoSuchDevice:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_NOT_READY:
        case ERROR_OPERATION_ABORTED:
        case ERROR_BROKEN_PIPE:
            return true;
        default:
            return false;
    }
}

// The line as the original port set it up: 8 data bits, 1 stop bit, the parity sent but
// not checked on what is received, no flow control of any kind, DTR and RTS held inactive
// (some RS-485 adapters switch direction on RTS; the meter expects both lines idle).
void FillLineSettings(DCB& dcb, int baudRate, int parityIndex) {
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = static_cast<DWORD>(baudRate);
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = FALSE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    dcb.Parity = parityIndex == 1 ? ODDPARITY : parityIndex == 2 ? EVENPARITY : NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = 0;
    dcb.EofChar = 0x1A;
    dcb.EvtChar = 0;
}

// Settings the driver refuses do not fail the open. SetCommState stops at the first part a
// driver refuses; one that cannot do parity gets the rest without it, while a refusal of
// the modem lines alone (Wine on a pseudo-terminal) leaves everything before it in place.
void ApplyLineSettings(HANDLE port, int baudRate, int parityIndex) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) return;
    FillLineSettings(dcb, baudRate, parityIndex);
    if (!SetCommState(port, &dcb) && dcb.Parity != NOPARITY) {
        DCB taken{};
        taken.DCBlength = sizeof taken;
        if (GetCommState(port, &taken) && taken.Parity != dcb.Parity) {
            dcb.Parity = NOPARITY;
            (void)SetCommState(port, &dcb);
        }
    }
    (void)EscapeCommFunction(port, CLRDTR);
    (void)EscapeCommFunction(port, CLRRTS);
}

}  // namespace

Win32SerialPort::Win32SerialPort() : transferDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PortError Win32SerialPort::Open(const Endpoint& endpoint) {
    return Open(endpoint.portName, endpoint.baudRate, endpoint.parity);
}

PortError Win32SerialPort::Open(std::string_view portName, int baudRate, int parity) {
    Close();
    portName_ = std::string(portName);
    baudRate_ = baudRate;
    const auto fail = [this](PortError error) { return lastError_ = error; };
    // COM100 to COM256 have six characters: the settings cannot keep them, kelvo-cli can use them.
    if (!PortNameFits(portName) && ComNumber(portName) == 0) {
        return fail(PortError::NameTooLong);
    }
    if (PortNameEscapes(portName)) return fail(PortError::NameEscapes);
    if (portName.empty()) return fail(PortError::NoSuchDevice);
    if (!transferDone_.valid()) return fail(PortError::Other);

    const std::wstring path = WideFromUtf8(ResolvePortPath(portName));
    // Share mode 0: no second open of the port, by this program or another, while it is held.
    Win32Handle port(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr));
    if (!port.valid()) return fail(ErrorFromOpen(GetLastError()));
    // \\.\NUL, a printer or a disk opens as well; only a serial port has a line to set.
    DCB current{};
    current.DCBlength = sizeof current;
    if (!GetCommState(port.get(), &current)) return fail(PortError::NotATerminal);
    (void)SetupComm(port.get(), kQueueSize, kQueueSize);
    ApplyLineSettings(port.get(), baudRate, parity);
    port_ = std::move(port);
    intervalSet_ = UINT32_MAX;
    state_ = LineState::Ok;
    return fail(PortError::None);
}

void Win32SerialPort::Configure(int baudRate, int parity) {
    if (!IsOpen()) return;
    baudRate_ = baudRate;
    ApplyLineSettings(port_.get(), baudRate, parity);
    // The write timeout follows the rate.
    intervalSet_ = UINT32_MAX;
}

void Win32SerialPort::Close() {
    port_.Close();
    state_ = LineState::Ok;
}

bool Win32SerialPort::StopRaised() const { return stop_ != nullptr && stop_->IsSet(); }

void Win32SerialPort::NoteError(std::uint32_t error) {
    if (MeansDeviceGone(error)) state_ = LineState::Gone;
}

void Win32SerialPort::SetTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs) {
    if (intervalMs == intervalSet_ && totalMs == totalSet_) return;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = intervalMs;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = totalMs;
    // The wire time of a character, rounded up, and then some for a slow adapter: a write
    // that is still not done is a stuck one.
    const int baud = std::max(baudRate_, 1);
    timeouts.WriteTotalTimeoutMultiplier = static_cast<DWORD>((11 * 1000 + baud - 1) / baud);
    timeouts.WriteTotalTimeoutConstant = kWriteStallMs;
    if (!SetCommTimeouts(port_.get(), &timeouts)) {
        NoteError(GetLastError());
        intervalSet_ = UINT32_MAX;
        return;
    }
    intervalSet_ = intervalMs;
    totalSet_ = totalMs;
}

Win32SerialPort::Transfer Win32SerialPort::Finish(bool started, void* overlappedPointer, std::uint32_t limitMs) {
    auto& overlapped = *static_cast<OVERLAPPED*>(overlappedPointer);
    HANDLE port = port_.get();
    Transfer transfer;
    if (!started && GetLastError() != ERROR_IO_PENDING) {
        transfer.error = GetLastError();
        return transfer;
    }
    bool cancelled = false;
    if (!started) {
        // The stop comes first, so that a stop raised while the answer came still counts,
        // as on Linux.
        HANDLE stop = stop_ != nullptr ? static_cast<HANDLE>(stop_->Handle()) : nullptr;
        const HANDLE waitFor[2] = {stop, overlapped.hEvent};
        const DWORD count = stop != nullptr ? 2 : 1;
        const DWORD ended = WaitForMultipleObjects(count, stop != nullptr ? waitFor : waitFor + 1, FALSE, limitMs);
        if (ended != WAIT_OBJECT_0 + count - 1) {
            transfer.stopped = stop != nullptr && ended == WAIT_OBJECT_0;
            // The buffer and the OVERLAPPED belong to the driver until it says it is done.
            CancelIoEx(port, &overlapped);
            cancelled = true;
        }
    }
    DWORD bytes = 0;
    if (!GetOverlappedResult(port, &overlapped, &bytes, TRUE)) {
        const DWORD error = GetLastError();
        if (!(cancelled && error == ERROR_OPERATION_ABORTED)) transfer.error = error;
    }
    transfer.bytes = bytes;
    // A stop that the driver's completion beat to the wait is a stop all the same.
    if (StopRaised()) transfer.stopped = true;
    return transfer;
}

std::size_t Win32SerialPort::ReadPiece(std::span<std::uint8_t> piece, std::uint32_t intervalMs,
                                      std::uint32_t totalMs) {
    SetTimeouts(intervalMs, totalMs);
    if (state_ != LineState::Ok) return 0;
    OVERLAPPED overlapped{};
    overlapped.hEvent = transferDone_.get();
    ResetEvent(overlapped.hEvent);
    // Straight into the caller's buffer, which stays untouched when nothing came.
    const bool started = ReadFile(port_.get(), piece.data(), static_cast<DWORD>(piece.size()), nullptr, &overlapped);
    const Transfer transfer = Finish(started, &overlapped, totalMs + kDriverGraceMs);
    if (transfer.stopped) {
        state_ = LineState::Stopped;
    } else if (transfer.error != 0) {
        NoteError(transfer.error);
    }
    return std::min<std::size_t>(transfer.bytes, piece.size());
}

std::size_t Win32SerialPort::QueuedBytes() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port_.get(), &errors, &status)) {
        NoteError(GetLastError());
        return 0;
    }
    return status.cbInQue;
}

std::size_t Win32SerialPort::Read(std::span<std::uint8_t> buffer, ReadTimeouts timeouts,
                                  const FrameComplete& complete) {
    if (!IsOpen() || state_ != LineState::Ok || buffer.empty()) return 0;
    if (StopRaised()) {
        state_ = LineState::Stopped;
        return 0;
    }
    if (timeouts.totalMs <= 0) return 0;
    const auto totalMs = static_cast<std::uint32_t>(timeouts.totalMs);
    if (!complete) {
        // One read, timed by the driver exactly as the table says; interval 0 means none.
        return ReadPiece(buffer, timeouts.intervalMs > 0 ? static_cast<std::uint32_t>(timeouts.intervalMs) : 0,
                         totalMs);
    }
    // A frame that is whole ends the read at once: the driver cannot judge that, so the read
    // goes in pieces, each taking what has come and waiting for one more byte while the
    // timeouts leave time.
    ReadDeadline deadline(timeouts);
    std::size_t count = 0;
    while (count < buffer.size() && state_ == LineState::Ok) {
        const auto waitMs = static_cast<DWORD>(deadline.RemainingMs());
        if (waitMs == 0) break;
        const std::size_t wanted = std::clamp<std::size_t>(QueuedBytes(), 1, buffer.size() - count);
        if (state_ != LineState::Ok) break;
        const std::size_t got = ReadPiece(buffer.subspan(count, wanted), 0, waitMs);
        // Nothing in a piece's whole wait: the timeouts have run out.
        if (got == 0) break;
        count += got;
        deadline.BytesCame();
        if (complete(buffer.first(count))) break;
    }
    return count;
}

void Win32SerialPort::Write(std::span<const std::uint8_t> bytes) {
    if (!IsOpen() || state_ != LineState::Ok || bytes.empty()) return;
    if (StopRaised()) {
        state_ = LineState::Stopped;
        return;
    }
    SetTimeouts(intervalSet_ == UINT32_MAX ? 0 : intervalSet_, totalSet_);
    if (state_ != LineState::Ok) return;
    OVERLAPPED overlapped{};
    overlapped.hEvent = transferDone_.get();
    ResetEvent(overlapped.hEvent);
    const bool started = WriteFile(port_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &overlapped);
    const int baud = std::max(baudRate_, 1);
    const auto limitMs = static_cast<DWORD>(kWriteStallMs + kDriverGraceMs + bytes.size() * (11 * 1000 + baud - 1) / baud);
    const Transfer transfer = Finish(started, &overlapped, limitMs);
    if (transfer.stopped) {
        state_ = LineState::Stopped;
        return;
    }
    if (transfer.error != 0) {
        NoteError(transfer.error);
        if (state_ != LineState::Ok) return;
    }
    // A request the port did not take whole within its write timeout never reaches the meter
    // whole: with no flow control only a dead adapter refuses bytes, so the line counts as
    // gone and the connection opens the port anew.
    if (transfer.bytes < bytes.size()) {
        state_ = LineState::Gone;
        return;
    }
    // The pause after a request counts from the moment the meter has it all: this waits
    // until the driver's transmit queue is empty, as tcdrain() does on Linux.
    if (!FlushFileBuffers(port_.get())) NoteError(GetLastError());
}

void Win32SerialPort::Purge() {
    if (!IsOpen() || state_ != LineState::Ok) return;
    if (!PurgeComm(port_.get(), PURGE_RXCLEAR)) NoteError(GetLastError());
}

bool Win32SerialPort::Wait(std::chrono::milliseconds duration) {
    HANDLE stop = stop_ != nullptr ? static_cast<HANDLE>(stop_->Handle()) : nullptr;
    if (stop == nullptr) {
        if (PauseUnlessStopped(stop_, duration)) return true;
        state_ = LineState::Stopped;
        return false;
    }
    const PortClock::time_point deadline = PortClock::now() + duration;
    for (;;) {
        const DWORD waitMs = std::min<DWORD>(static_cast<DWORD>(MillisecondsUntil(deadline)), 3'600'000);
        if (WaitForSingleObject(stop, waitMs) == WAIT_OBJECT_0) {
            state_ = LineState::Stopped;
            return false;
        }
        if (MillisecondsUntil(deadline) == 0) return true;
    }
}

std::unique_ptr<Transport> MakeSerialTransport() { return std::make_unique<Win32SerialPort>(); }

}  // namespace kelvo
