#include "link/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <utility>

#include "settings/settings.h"

namespace kelvo {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

struct BaudTimeouts {
    int baudRate;
    ReadTimeouts timeouts;
};

// The meter answers within these gaps at each rate; an unknown rate waits the whole
// fixed total because no gap can be trusted.
constexpr std::array<BaudTimeouts, 8> kBaudTimeoutTable = {{
    {1200, {400, 10000}},
    {2400, {300, 6400}},
    {4800, {200, 3200}},
    {9600, {100, 1600}},
    {19200, {20, 800}},
    {38400, {20, 400}},
    {57600, {10, 200}},
    {115200, {10, 100}},
}};
constexpr ReadTimeouts kOtherBaudTimeouts = {-1, 500};

struct BaudSpeed {
    int baudRate;
    speed_t speed;
};

constexpr std::array<BaudSpeed, 19> kBaudSpeeds = {{
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800},
}};

// Writing the largest request takes a few hundred milliseconds even at 1200 baud; a
// port that takes no byte for this long is stuck (a pty nobody reads, a dead adapter).
constexpr int kWriteStallMs = 5000;

std::size_t CountCharacters(std::string_view text) {
    // UTF-8: every byte that does not continue a sequence starts a character.
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U;
    }));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

// The number after a known prefix, or -1 when the rest is not all digits.
int NumberAfter(std::string_view name, std::string_view prefix) {
    if (!StartsWithNoCase(name, prefix) || name.size() == prefix.size()) return -1;
    const std::string_view digits = name.substr(prefix.size());
    // Far more digits than a stored name can hold; also keeps the number within an int.
    if (digits.size() > 6) return -1;
    int number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

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
    const auto rate = std::find_if(kBaudSpeeds.begin(), kBaudSpeeds.end(),
                                   [baudRate](const BaudSpeed& row) { return row.baudRate == baudRate; });
    if (rate != kBaudSpeeds.end()) {
        cfsetispeed(&tio, rate->speed);
        cfsetospeed(&tio, rate->speed);
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

int RemainingMs(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    // Rounded up so that poll() never wakes a hair early and spins.
    return static_cast<int>(std::chrono::ceil<Milliseconds>(left).count());
}

}  // namespace

std::string_view PortErrorText(PortError error) {
    switch (error) {
        case PortError::None:
            return "";
        case PortError::NameTooLong:
            return "串口名称不能超过 5 个字符。";
        case PortError::NoSuchDevice:
            return "找不到该串口设备，请检查串口名称和连接线。";
        case PortError::Busy:
            return "串口正被其他程序或本程序的连接占用。";
        case PortError::AccessDenied:
            return "没有访问该串口的权限：请将当前用户加入 dialout 组，然后重新登录。";
        case PortError::NotATerminal:
            return "该设备不是串口。";
        case PortError::Other:
            break;
    }
    return "无法打开该串口。";
}

ReadTimeouts TimeoutsForBaud(int baudRate) {
    for (const auto& row : kBaudTimeoutTable) {
        if (row.baudRate == baudRate) return row.timeouts;
    }
    return kOtherBaudTimeouts;
}

std::string ResolvePortPath(std::string_view portName) {
    const std::string name(portName);
    // A mapping is used even when its target is missing: falling back to a built-in
    // name would talk to some other device behind the user's back.
    const std::filesystem::path mapped = std::filesystem::path(GetSettingsFolder()) / "ports" / name;
    std::error_code error;
    if (!name.empty() && std::filesystem::exists(std::filesystem::symlink_status(mapped, error))) {
        return mapped.string();
    }
    if (const int n = NumberAfter(portName, "COM"); n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    if (const int n = NumberAfter(portName, "USB"); n >= 0) return "/dev/ttyUSB" + std::to_string(n);
    if (const int n = NumberAfter(portName, "ACM"); n >= 0) return "/dev/ttyACM" + std::to_string(n);
    return "/dev/" + name;
}

CSerialPort::~CSerialPort() { Close(); }

CSerialPort::CSerialPort(CSerialPort&& other) noexcept
    : portName_(std::move(other.portName_)),
      baudRate_(other.baudRate_),
      handle_(std::exchange(other.handle_, kNoHandle)),
      lastError_(other.lastError_) {}

CSerialPort& CSerialPort::operator=(CSerialPort&& other) noexcept {
    if (this != &other) {
        Close();
        portName_ = std::move(other.portName_);
        baudRate_ = other.baudRate_;
        handle_ = std::exchange(other.handle_, kNoHandle);
        lastError_ = other.lastError_;
    }
    return *this;
}

int CSerialPort::Open(std::string_view portName, int baudRate, int parityIndex) {
    Close();
    portName_ = std::string(portName);
    baudRate_ = baudRate;
    handle_ = kInvalidHandle;
    if (CountCharacters(portName) > static_cast<std::size_t>(kMaxPortNameLength)) {
        lastError_ = PortError::NameTooLong;
        return handle_;
    }
    if (portName.empty()) {
        lastError_ = PortError::NoSuchDevice;
        return handle_;
    }

    const std::string path = ResolvePortPath(portName);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = ErrorFromOpen(errno);
        return handle_;
    }
    // TIOCEXCL keeps other users out but root ignores it; the lock holds for everyone
    // who asks for it, this program's own live connection included.
    if (ioctl(fd, TIOCEXCL) != 0) {
        lastError_ = errno == ENOTTY ? PortError::NotATerminal : PortError::Other;
        ::close(fd);
        return handle_;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lastError_ = (errno == EWOULDBLOCK || errno == EAGAIN) ? PortError::Busy : PortError::Other;
        (void)ioctl(fd, TIOCNXCL);
        ::close(fd);
        return handle_;
    }
    ApplyLineSettings(fd, baudRate, parityIndex);
    handle_ = fd;
    lastError_ = PortError::None;
    return handle_;
}

void CSerialPort::Close() {
    if (IsOpen()) {
        // A pty's terminal outlives this descriptor while its master is open; an
        // exclusive flag left behind would lock out the next ordinary user.
        (void)ioctl(handle_, TIOCNXCL);
        ::close(handle_);
    }
    handle_ = kNoHandle;
}

void CSerialPort::PurgeInput() {
    if (IsOpen()) (void)tcflush(handle_, TCIFLUSH);
}

void CSerialPort::Write(const std::uint8_t* bytes, std::size_t count) {
    if (!IsOpen()) return;
    std::size_t written = 0;
    while (written < count) {
        const ssize_t n = ::write(handle_, bytes + written, count - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd waitFor{handle_, POLLOUT, 0};
            const int ready = ::poll(&waitFor, 1, kWriteStallMs);
            if (ready > 0 && (waitFor.revents & POLLOUT) != 0) continue;
            if (ready < 0 && errno == EINTR) continue;
        }
        return;  // the line is gone or stuck; the missing answer will tell
    }
    // The pause after a request counts from the moment the meter has it all.
    (void)tcdrain(handle_);
}

int CSerialPort::ReadOnce(std::uint8_t* buffer) {
    if (!IsOpen()) return 0;
    const ReadTimeouts timeouts = TimeoutsForBaud(baudRate_);
    const Clock::time_point totalDeadline = Clock::now() + Milliseconds(timeouts.totalMs);
    Clock::time_point lastByte{};
    int count = 0;
    while (count < kQueueSize) {
        Clock::time_point deadline = totalDeadline;
        if (count > 0 && timeouts.intervalMs >= 0) {
            deadline = std::min(deadline, lastByte + Milliseconds(timeouts.intervalMs));
        }
        const int waitMs = RemainingMs(deadline);
        if (waitMs == 0) break;
        pollfd waitFor{handle_, POLLIN, 0};
        const int ready = ::poll(&waitFor, 1, waitMs);
        if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
        if (ready < 0) break;
        if ((waitFor.revents & POLLIN) == 0) break;  // hang-up or error: nothing more will come
        // Reading straight into the caller's buffer keeps it untouched when nothing came.
        const ssize_t n = ::read(handle_, buffer + count, static_cast<std::size_t>(kQueueSize - count));
        if (n > 0) {
            count += static_cast<int>(n);
            lastByte = Clock::now();
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            break;
        }
    }
    return count;
}

}  // namespace kelvo
