// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <utility>

#include "link/line_speed.h"
#include "link/read_deadline.h"
#include "link/stop_event.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

// Writing the largest request takes a few hundred milliseconds even at 1200 baud; a
// port that takes no byte for this long is stuck (a pty nobody reads, a dead adapter).
constexpr int kWriteStallMs = 5000;

PortError ErrorFromOpen(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return PortError::NoSuchDevice;
        case EBUSY:
            return PortError::Busy;
        case EACCES:
        case EPERM:
        case EROFS:
            return PortError::AccessDenied;
        case ENOTTY:
        case EISDIR:
            return PortError::NotATerminal;
        default:
            return PortError::Other;
    }
}

void ApplyLineSettings(int fd, int baudRate, int parityIndex) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return;
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF | IXANY);
    tio.c_iflag |= IGNBRK;
    // Reads are timed with poll(), so the driver must hand over whatever it has at once.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (const auto speed = SpeedCodeOf(baudRate)) {
        cfsetispeed(&tio, *speed);
        cfsetospeed(&tio, *speed);
    }
    // Raw mode goes in on its own first: a pseudo-terminal cannot do parity, and a driver
    // that refuses the whole request must not leave the line cooked (echo, CR/NL translation).
    (void)tcsetattr(fd, TCSANOW, &tio);
    if (parityIndex == 1 || parityIndex == 2) {
        tio.c_cflag |= PARENB;
        if (parityIndex == 1) tio.c_cflag |= PARODD;
        (void)tcsetattr(fd, TCSANOW, &tio);
    }
    // Some RS-485 adapters switch direction on RTS; the meter expects both lines idle.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIC, &lines);
}

// Errors after which the descriptor is of no more use: the adapter was unplugged, the
// pseudo-terminal's other side closed, or the descriptor itself is bad.
bool MeansDeviceGone(int error) { return error == EIO || error == ENXIO || error == ENODEV || error == EBADF; }

constexpr short kGoneEvents = POLLHUP | POLLERR | POLLNVAL;

}  // namespace

CSerialPort::~CSerialPort() { Close(); }

CSerialPort::CSerialPort(CSerialPort&& other) noexcept
    : portName_(std::move(other.portName_)),
      baudRate_(other.baudRate_),
      handle_(std::exchange(other.handle_, kNoHandle)),
      exclusiveSet_(std::exchange(other.exclusiveSet_, false)),
      lastError_(other.lastError_),
      stop_(other.stop_),
      state_(other.state_) {}

CSerialPort& CSerialPort::operator=(CSerialPort&& other) noexcept {
    if (this != &other) {
        Close();
        portName_ = std::move(other.portName_);
        baudRate_ = other.baudRate_;
        handle_ = std::exchange(other.handle_, kNoHandle);
        exclusiveSet_ = std::exchange(other.exclusiveSet_, false);
        lastError_ = other.lastError_;
        stop_ = other.stop_;
        state_ = other.state_;
    }
    return *this;
}

PortError CSerialPort::Open(const Endpoint& endpoint) {
    return Open(endpoint.portName, endpoint.baudRate, endpoint.parity);
}

PortError CSerialPort::Open(std::string_view portName, int baudRate, int parity) {
    Close();
    portName_ = std::string(portName);
    baudRate_ = baudRate;
    handle_ = kInvalidHandle;
    if (!PortNameFits(portName)) {
        lastError_ = PortError::NameTooLong;
        return lastError_;
    }
    if (PortNameEscapes(portName)) {
        lastError_ = PortError::NameEscapes;
        return lastError_;
    }
    if (portName.empty()) {
        lastError_ = PortError::NoSuchDevice;
        return lastError_;
    }

    const std::string path = ResolvePortPath(portName);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = ErrorFromOpen(errno);
        return lastError_;
    }
    // The lock comes first: it holds for everyone who asks for it, root and this
    // program's own live connection included. Until it is held the port belongs to
    // someone else, whose exclusive mode is not ours to touch.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lastError_ = (errno == EWOULDBLOCK || errno == EAGAIN) ? PortError::Busy : PortError::Other;
        ::close(fd);
        return lastError_;
    }
    // A pseudo-terminal's master is a terminal too, but no meter sits behind a new one.
    int ptyNumber = 0;
    if (ioctl(fd, TIOCGPTN, &ptyNumber) == 0) {
        lastError_ = PortError::NotATerminal;
        ::close(fd);
        return lastError_;
    }
    // TIOCEXCL keeps other ordinary users out as well; a mode that was set already is
    // left as it is, and so is not cleared at close.
    int alreadyExclusive = 0;
    if (ioctl(fd, TIOCGEXCL, &alreadyExclusive) != 0) alreadyExclusive = 0;
    if (alreadyExclusive == 0) {
        if (ioctl(fd, TIOCEXCL) != 0) {
            lastError_ = errno == ENOTTY ? PortError::NotATerminal : PortError::Other;
            ::close(fd);
            return lastError_;
        }
        exclusiveSet_ = true;
    }
    ApplyLineSettings(fd, baudRate, parity);
    handle_ = fd;
    state_ = LineState::Ok;
    lastError_ = PortError::None;
    return lastError_;
}

void CSerialPort::Configure(int baudRate, int parity) {
    if (!IsOpen()) return;
    baudRate_ = baudRate;
    ApplyLineSettings(handle_, baudRate, parity);
}

void CSerialPort::Close() {
    if (IsOpen()) {
        // A pty's terminal outlives this descriptor while its master is open; an
        // exclusive flag left behind would lock out the next ordinary user.
        if (exclusiveSet_) (void)ioctl(handle_, TIOCNXCL);
        ::close(handle_);
    }
    exclusiveSet_ = false;
    handle_ = kNoHandle;
    state_ = LineState::Ok;
}

int CSerialPort::StopFd() const { return stop_ != nullptr ? stop_->Fd() : -1; }

void CSerialPort::NoteError(int error) {
    if (MeansDeviceGone(error)) state_ = LineState::Gone;
}

void CSerialPort::Purge() {
    if (!IsOpen() || state_ != LineState::Ok) return;
    if (tcflush(handle_, TCIFLUSH) != 0) NoteError(errno);
}

void CSerialPort::Write(std::span<const std::uint8_t> bytes) {
    if (!IsOpen() || state_ != LineState::Ok) return;
    const int stopFd = StopFd();
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(handle_, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd waitFor[2] = {{handle_, POLLOUT, 0}, {stopFd, POLLIN, 0}};
            const int ready = ::poll(waitFor, stopFd >= 0 ? 2 : 1, kWriteStallMs);
            if (ready < 0 && errno == EINTR) continue;
            if (ready > 0 && waitFor[1].revents != 0) {
                state_ = LineState::Stopped;
                return;
            }
            if (ready > 0 && (waitFor[0].revents & kGoneEvents) != 0) {
                state_ = LineState::Gone;
                return;
            }
            if (ready > 0 && (waitFor[0].revents & POLLOUT) != 0) continue;
        } else if (n < 0) {
            NoteError(errno);
        }
        return;  // the line is gone or stuck; the missing answer will tell
    }
    // The pause after a request counts from the moment the meter has it all.
    if (tcdrain(handle_) != 0) NoteError(errno);
}

std::size_t CSerialPort::Read(std::span<std::uint8_t> buffer, ReadTimeouts timeouts, const FrameComplete& complete) {
    if (!IsOpen() || state_ != LineState::Ok) return 0;
    const int stopFd = StopFd();
    ReadDeadline deadline(timeouts);
    std::size_t count = 0;
    while (count < buffer.size()) {
        const int waitMs = deadline.RemainingMs();
        if (waitMs == 0) break;
        // The stop is waited for beside the line, so that a stop request ends a wait for
        // a silent meter at once, whatever the baud rate's timeouts.
        pollfd waitFor[2] = {{handle_, POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int ready = ::poll(waitFor, stopFd >= 0 ? 2 : 1, waitMs);
        if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
        if (ready < 0) break;
        if (waitFor[1].revents != 0) {
            state_ = LineState::Stopped;
            break;
        }
        if ((waitFor[0].revents & kGoneEvents) != 0) {
            state_ = LineState::Gone;
            break;
        }
        if ((waitFor[0].revents & POLLIN) == 0) break;
        // Reading straight into the caller's buffer keeps it untouched when nothing came.
        const ssize_t n = ::read(handle_, buffer.data() + count, buffer.size() - count);
        if (n > 0) {
            count += static_cast<std::size_t>(n);
            deadline.BytesCame();
            if (complete && complete(buffer.first(count))) break;
        } else if (n == 0) {
            break;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            NoteError(errno);
            break;
        }
    }
    // An unplugged adapter's node is deleted; some drivers report nothing else until the
    // descriptor is closed, so a silent line is also asked whether its node is still there.
    struct stat node {};
    if (count == 0 && state_ == LineState::Ok && fstat(handle_, &node) == 0 && node.st_nlink == 0) {
        state_ = LineState::Gone;
    }
    return count;
}

bool CSerialPort::Wait(std::chrono::milliseconds duration) {
    const int stopFd = StopFd();
    if (stopFd < 0) {
        if (PauseUnlessStopped(stop_, duration)) return true;
        state_ = LineState::Stopped;
        return false;
    }
    const PortClock::time_point deadline = PortClock::now() + duration;
    for (;;) {
        const int waitMs = MillisecondsUntil(deadline);
        pollfd stop{stopFd, POLLIN, 0};
        const int ready = ::poll(&stop, 1, waitMs);
        if (ready > 0) {
            state_ = LineState::Stopped;
            return false;
        }
        if (waitMs == 0 || (ready < 0 && errno != EINTR)) return true;
    }
}

std::unique_ptr<Transport> MakeSerialTransport() { return std::make_unique<CSerialPort>(); }

}  // namespace kelvo
