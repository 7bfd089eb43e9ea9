// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "link/serial_port.h"
#include "link/stop_event.h"
#include "messages/failure_text.h"
#include "pty_pair.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

using test::PtyPair;

// Waits, generously, until the port's driver holds received bytes, without taking them.
bool WaitUntilReadable(const CSerialPort& port) {
    pollfd waitFor{port.Handle(), POLLIN, 0};
    return poll(&waitFor, 1, 5000) > 0;
}

// One read as the link makes it: timed by the rate's timeouts.
std::size_t ReadOnce(CSerialPort& port, std::vector<std::uint8_t>& buffer) {
    return port.Read(buffer, TimeoutsForBaud(port.BaudRate()));
}

Bytes ReadOnce(CSerialPort& port) {
    std::vector<std::uint8_t> buffer(kQueueSize);
    buffer.resize(ReadOnce(port, buffer));
    return buffer;
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.Ready());
        settings_.MapPort("COM1", pty_.SlavePath());
    }
    test::TempSettings settings_;
    PtyPair pty_;
};

TEST(SerialPortTimeouts, ChosenByTheBaudRateAlone) {
    struct Case {
        int baud;
        int intervalMs;  // < 0: not used
        int totalMs;
    };
    const Case cases[] = {
        {1200, 400, 10000}, {2400, 300, 6400}, {4800, 200, 3200}, {9600, 100, 1600},
        {19200, 20, 800},   {38400, 20, 400},  {57600, 10, 200},  {115200, 10, 100},
        {600, -1, 500},     {14400, -1, 500},  {0, -1, 500},      {-9600, -1, 500},
    };
    for (const auto& c : cases) {
        const ReadTimeouts got = TimeoutsForBaud(c.baud);
        EXPECT_EQ(got.intervalMs < 0 ? -1 : got.intervalMs, c.intervalMs) << c.baud << " baud";
        EXPECT_EQ(got.totalMs, c.totalMs) << c.baud << " baud";
    }
}

TEST(SerialPortNames, ResolveToDevices) {
    test::TempSettings settings;
    settings.MapPort("COM1", "/dev/serial/by-id/usb-meter-cable");
    settings.MapPort("LAB", "/dev/pts/77");
    const struct {
        const char* name;
        std::string path;
    } cases[] = {
        {"COM1", settings.KelvoFolder() + "/ports/COM1"},  // a mapping beats the built-in rule
        {"LAB", settings.KelvoFolder() + "/ports/LAB"},
        {"COM2", "/dev/ttyS1"},
        {"COM10", "/dev/ttyS9"},
        {"com3", "/dev/ttyS2"},
        {"USB0", "/dev/ttyUSB0"},
        {"USB12", "/dev/ttyUSB12"},
        {"ACM0", "/dev/ttyACM0"},
        {"ttyS4", "/dev/ttyS4"},
        {"COM0", "/dev/COM0"},
        {"COMX", "/dev/COMX"},
        {"USB", "/dev/USB"},
        {"COM123456789012", "/dev/COM123456789012"},
        {"..", ""},  // names that lead out of the ports folder resolve to nothing
        {".", ""},
        {"/tmp", ""},
        {"a/b", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolvePortPath(c.name), c.path) << c.name;
}

TEST_F(SerialPortTest, OpenFailuresSayWhy) {
    const std::string notADevice = settings_.ConfigHome() + "/plain-file";
    std::ofstream(notADevice) << "not a serial line\n";
    settings_.MapPort("FILE", notADevice);
    settings_.MapPort("GONE", settings_.ConfigHome() + "/unplugged-adapter");
    const struct {
        const char* name;
        PortError error;
    } cases[] = {
        {"COM123", PortError::NameTooLong},
        {"/dev/pts/0", PortError::NameTooLong},
        {"GONE", PortError::NoSuchDevice},
        {"QX9", PortError::NoSuchDevice},
        {"", PortError::NoSuchDevice},
        {"FILE", PortError::NotATerminal},
        {"..", PortError::NameEscapes},
        {".", PortError::NameEscapes},
        {"/tmp", PortError::NameEscapes},
        {"ptmx", PortError::NotATerminal},  // would make a new pseudo-terminal, with nobody behind it
    };
    for (const auto& c : cases) {
        CSerialPort port;
        EXPECT_NE(port.Open(c.name, 57600, 0), PortError::None) << c.name;
        EXPECT_EQ(port.Handle(), CSerialPort::kInvalidHandle) << c.name;
        EXPECT_EQ(port.LastError(), c.error) << c.name;
        EXPECT_FALSE(PortErrorText(port.LastError()).empty()) << c.name;
        port.Close();
        EXPECT_EQ(port.Handle(), CSerialPort::kNoHandle) << c.name;
    }
}

TEST_F(SerialPortTest, PermissionDeniedNamesTheDialoutGroup) {
    EXPECT_NE(PortErrorText(PortError::AccessDenied).find("dialout"), std::string_view::npos);
    if (geteuid() == 0) GTEST_SKIP() << "root opens any device";
    const std::string locked = settings_.ConfigHome() + "/locked";
    std::ofstream(locked) << "";
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    settings_.MapPort("LOCK", locked);
    CSerialPort port;
    EXPECT_NE(port.Open("LOCK", 57600, 0), PortError::None);
    EXPECT_EQ(port.LastError(), PortError::AccessDenied);
}

TEST_F(SerialPortTest, PortHeldElsewhereIsBusyUnderEveryName) {
    settings_.MapPort("COM7", pty_.SlavePath());
    CSerialPort holder;
    ASSERT_EQ(holder.Open("COM1", 57600, 0), PortError::None);
    for (const char* name : {"COM1", "COM7"}) {
        CSerialPort second;
        EXPECT_NE(second.Open(name, 57600, 0), PortError::None) << name;
        EXPECT_EQ(second.LastError(), PortError::Busy) << name;
    }
    holder.Close();
    CSerialPort next;
    EXPECT_EQ(next.Open("COM1", 57600, 0), PortError::None);
}

bool Exclusive(int fd) {
    int exclusive = 0;
    return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

TEST_F(SerialPortTest, ExclusiveModeIsClearedOnlyByWhoSetIt) {
    CSerialPort holder;
    ASSERT_EQ(holder.Open("COM1", 57600, 0), PortError::None);
    CSerialPort second;
    EXPECT_NE(second.Open("COM1", 57600, 0), PortError::None);
    second.Close();
    EXPECT_TRUE(Exclusive(holder.Handle())) << "a failed open leaves the holder's mode alone";
    holder.Close();

    // Another program set the mode without taking the lock (only root gets past it).
    const int other = open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(ioctl(other, TIOCEXCL), 0);
    if (geteuid() == 0) {
        CSerialPort port;
        ASSERT_EQ(port.Open("COM1", 57600, 0), PortError::None);
        port.Close();
    }
    EXPECT_TRUE(Exclusive(other)) << "a mode this program did not set outlives its port";
    close(other);
}

TEST_F(SerialPortTest, AHungUpLineIsGoneAndAStopEndsEveryWait) {
    StopEvent stop;
    std::vector<std::uint8_t> buffer(kQueueSize);
    CSerialPort port;
    port.SetStop(&stop);
    ASSERT_EQ(port.Open("COM1", 1200, 0), PortError::None);  // a read at 1200 baud would wait 10 s
    stop.Set();
    EXPECT_FALSE(port.Wait(milliseconds(60000)));
    EXPECT_EQ(ReadOnce(port, buffer), 0U);
    EXPECT_EQ(port.State(), LineState::Stopped);
    port.Close();
    EXPECT_EQ(port.State(), LineState::Ok);

    port.SetStop(nullptr);
    ASSERT_EQ(port.Open("COM1", 1200, 0), PortError::None);
    pty_.HangUp();
    EXPECT_EQ(ReadOnce(port, buffer), 0U);
    EXPECT_EQ(port.State(), LineState::Gone);
    const Bytes request = {0x08, 0x04, 0x00, 0x63, 0x00, 0x01};
    port.Write(request);
    EXPECT_EQ(port.State(), LineState::Gone);
}

// Nobody reads the far end, so the write stalls once the driver's queue is full (Wine
// cannot show this: its write returns with a partial count). "断开" must end it at once,
// not after the write's stall limit.
TEST_F(SerialPortTest, AStopEndsAStalledWrite) {
    StopEvent stop;
    CSerialPort port;
    port.SetStop(&stop);
    ASSERT_EQ(port.Open("COM1", 57600, 0), PortError::None);
    std::jthread disconnect([&stop] {
        std::this_thread::sleep_for(milliseconds(100));
        stop.Set();
    });
    port.Write(Bytes(1 << 20, 0x55));
    EXPECT_EQ(port.State(), LineState::Stopped);
}

TEST_F(SerialPortTest, BytesPassUnchangedInEveryParity) {
    // Bytes a cooked terminal would translate, swallow or act on.
    const Bytes awkward = {0x0D, 0x0A, 0x03, 0x04, 0x11, 0x13, 0x1A, 0x7F, 0xFF, 0x00, 0x1C, 0x08};
    for (int parity : {0, 1, 2}) {
        CSerialPort port;
        ASSERT_EQ(port.Open("COM1", 57600, parity), PortError::None) << "parity " << parity;
        port.Write(awkward);
        EXPECT_EQ(pty_.Receive(awkward.size() + 1, 200), awkward) << "parity " << parity;
        pty_.Send(awkward);
        ASSERT_TRUE(WaitUntilReadable(port));
        EXPECT_EQ(ReadOnce(port), awkward) << "parity " << parity;
        port.Close();
    }
}

TEST_F(SerialPortTest, ReadWithNothingReceivedLeavesTheBufferAlone) {
    CSerialPort port;
    ASSERT_EQ(port.Open("COM1", 57600, 0), PortError::None);
    std::vector<std::uint8_t> buffer(kQueueSize, 0xA5);
    EXPECT_EQ(ReadOnce(port, buffer), 0U);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(kQueueSize, 0xA5));
}

TEST_F(SerialPortTest, BytesThatCameBeforeTheReadAreDelivered) {
    CSerialPort port;
    ASSERT_EQ(port.Open("COM1", 57600, 0), PortError::None);
    const Bytes answer = {0x08, 0x04, 0x02, 0x01, 0x2C, 0x24, 0x8C};
    pty_.Send(answer);
    ASSERT_TRUE(WaitUntilReadable(port));
    EXPECT_EQ(ReadOnce(port), answer);
}

TEST_F(SerialPortTest, PurgeDiscardsWhatCameBefore) {
    CSerialPort port;
    ASSERT_EQ(port.Open("COM1", 57600, 0), PortError::None);
    pty_.Send({0x55, 0x66, 0x77});
    ASSERT_TRUE(WaitUntilReadable(port));
    port.Purge();
    pty_.Send({0x01, 0x02});
    ASSERT_TRUE(WaitUntilReadable(port));
    EXPECT_EQ(ReadOnce(port), (Bytes{0x01, 0x02}));
}

// The far end sends three bytes, falls silent for far longer than the interval timeout,
// then sends three more, all well within the total timeout of the rate.
struct GapCase {
    int baud;
    Bytes firstRead;
    Bytes secondRead;
};

TEST_F(SerialPortTest, SilenceAfterTheFirstByteEndsAReadOnlyWhereTheRateHasAnInterval) {
    const Bytes head = {0x10, 0x11, 0x12};
    const Bytes tail = {0x20, 0x21, 0x22};
    const GapCase cases[] = {
        {19200, head, tail},                                        // 20 ms interval, 800 ms total
        {600, {0x10, 0x11, 0x12, 0x20, 0x21, 0x22}, {}},            // no interval, 500 ms total
    };
    for (const auto& c : cases) {
        CSerialPort port;
        ASSERT_EQ(port.Open("COM1", c.baud, 0), PortError::None);
        std::jthread farEnd([&] {
            std::this_thread::sleep_for(milliseconds(40));
            pty_.Send(head);
            std::this_thread::sleep_for(milliseconds(150));
            pty_.Send(tail);
        });
        EXPECT_EQ(ReadOnce(port), c.firstRead) << c.baud << " baud";
        farEnd.join();
        EXPECT_EQ(ReadOnce(port), c.secondRead) << c.baud << " baud";
    }
}

TEST_F(SerialPortTest, OneReadTakesAtMostTheQueueSize) {
    // At a rate without an interval timeout the read cannot end early while the
    // driver hands the flood over in pieces.
    CSerialPort port;
    ASSERT_EQ(port.Open("COM1", 600, 0), PortError::None);
    Bytes flood(5000);
    for (std::size_t i = 0; i < flood.size(); ++i) flood[i] = static_cast<std::uint8_t>(i * 7);
    pty_.Send(flood);
    ASSERT_TRUE(WaitUntilReadable(port));
    const Bytes first = ReadOnce(port);
    ASSERT_EQ(first.size(), static_cast<std::size_t>(kQueueSize));
    Bytes all = first;
    for (Bytes more = ReadOnce(port); !more.empty(); more = ReadOnce(port)) all.insert(all.end(), more.begin(), more.end());
    EXPECT_EQ(all, flood);
}

TEST_F(SerialPortTest, ClosedPortSendsAndReadsNothing) {
    CSerialPort port;
    ASSERT_EQ(port.Open("COM1", 57600, 0), PortError::None);
    port.Close();
    EXPECT_EQ(port.Handle(), CSerialPort::kNoHandle);
    const Bytes request = {0x08, 0x04, 0x00, 0x63, 0x00, 0x01};
    port.Write(request);
    port.Purge();
    std::vector<std::uint8_t> buffer(kQueueSize, 0xA5);
    EXPECT_EQ(ReadOnce(port, buffer), 0U);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(kQueueSize, 0xA5));
    EXPECT_TRUE(pty_.Receive(1, 100).empty());
}

}  // namespace
}  // namespace kelvo
