// SPDX-License-Identifier: GPL-3.0-or-later
// What a meter behind a serial-to-Ethernet converter costs, all on 127.0.0.1:
//
// 1. A 100-register read through RTU over TCP: socat as the serial server, bridging a
//    loopback port to the simulated meter, which paces its answer at 9600 baud. Over TCP an
//    answer ends by its length, so the read takes the meter's own answer and little more:
//    the time beyond it is measured (the serial line adds its 100 ms interval timeout).
// 2. A W58 backup through Modbus TCP: a gateway on loopback that passes each request on to
//    the same simulated meter and ends the meter's answer by its length, as gateways do,
//    against the floor of the same backup on the serial line it replaces (pause or answer,
//    whichever is longer, plus the interval timeout, for every request).
// 3. "断开" while the connect to a converter does not complete (a loopback listener that
//    never accepts and whose backlog is full): how long until the line is free again.
//
//   cmake --build build --target network_benchmark && build/benchmarks/network_benchmark [reads]
//
// Last line: "tcp read ratio X.XXX, modbus tcp backup ratio Y.YYY, disconnect during connect Z ms":
// the read against the meter's answer (aim: beyond it by at most 2 ms), the backup against
// the serial floor (below 1: quicker than the serial line), the disconnect (aim: 50 ms).

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "line/line_owner.h"
#include "link/answer_check.h"
#include "link/mbap.h"
#include "link/modbus_frames.h"
#include "link/modbus_rtu.h"
#include "link/serial_port.h"
#include "link/stop_event.h"
#include "link/wire_time.h"
#include "live/live_connection.h"
#include "messages/prompter.h"
#include "records/meter_reading.h"
#include "settings/settings.h"
#include "sim/meter_simulator.h"
#include "support/loopback_peers.h"
#include "temp_config_home.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBaud = 9600;
constexpr int kReadRegisters = 100;

double Ms(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }
double WireMs(std::size_t bytes) { return Ms(kelvo::WireTime(static_cast<int>(bytes), kBaud, 0)); }

kelvo::SerialSettings Through(int linkType, int port) {
    kelvo::SerialSettings settings;
    settings.linkType = linkType;
    settings.host = "127.0.0.1";
    settings.tcpPort = port;
    settings.baudRate = kBaud;
    return settings;
}

kelvo::sim::SimOptions PacedMeter() {
    kelvo::sim::SimOptions options;
    options.kind = kelvo::sim::SimMeterKind::W58;
    options.paceBaud = kBaud;
    options.moveLiveValues = false;
    return options;
}

// 1. Returns the measured time per read over the meter's answer time, or a negative number.
double MeasureTcpRead(int reads) {
    kelvo::sim::MeterSimulator meter(PacedMeter());
    if (!meter.Start()) return -1;
    const int port = kelvo::test::FreeLoopbackPort();
    kelvo::test::PeerProcess socat(kelvo::test::SerialServerCommand(port, meter.SlavePath()));
    if (!socat.Started() || !kelvo::test::AcceptsWithin(port)) {
        std::fprintf(stderr, "socat did not come up (apt-get install socat)\n");
        return -1;
    }
    kelvo::CDMRJly link;
    if (!link.OpenPort(Through(kelvo::kLinkRtuOverTcp, port))) return -1;
    std::array<std::uint8_t, 2 * kReadRegisters> block{};
    // The first read is not measured: the serial server opens the line for its connection.
    if (!link.ReadRegisters(99, block.size(), block.data())) return -1;
    const auto started = Clock::now();
    for (int i = 0; i < reads; ++i) {
        if (!link.ReadRegisters(99, block.size(), block.data())) return -1;
    }
    const double measuredMs = Ms(Clock::now() - started) / reads;
    const double answerMs = WireMs(5 + block.size());
    std::printf("1. %d reads of %d registers through RTU over TCP (socat, meter paced at %d baud)\n", reads,
                kReadRegisters, kBaud);
    std::printf("   measured %.3f ms per read, the meter's answer %.3f ms: %.3f ms beyond it "
                "(the serial line waits %d ms more for its interval timeout)\n",
                measuredMs, answerMs, measuredMs - answerMs, kelvo::TimeoutsForBaud(kBaud).intervalMs);
    return measuredMs / answerMs;
}

// A Modbus TCP gateway in front of the simulated meter: each MBAP request goes to the meter
// as its RTU frame, and the meter's answer, ended by its length, back as an MBAP frame.
class GatewayToMeter {
public:
    bool Open(const std::string& portName) { return line_.Open(portName, kBaud, 0) == kelvo::PortError::None; }
    kelvo::test::PeerReply Forward(std::span<const std::uint8_t> mbap) {
        const std::vector<std::uint8_t> request = kelvo::RtuFromMbap(mbap);
        std::array<std::uint8_t, kelvo::kQueueSize> answer{};
        line_.Purge();
        line_.Write(request);
        const std::size_t count = line_.Read(answer, {.intervalMs = -1, .totalMs = 2000}, [&request](auto bytes) {
            return kelvo::AnswerComplete(request, bytes);
        });
        {
            const std::lock_guard lock(mutex_);
            forwarded_.push_back(request);
        }
        if (count == 0) return {};
        const auto transaction = static_cast<std::uint16_t>(mbap[0] << 8 | mbap[1]);
        return {.segments = {kelvo::MbapFromRtu(std::span(answer).first(count), transaction)}};
    }
    std::vector<std::vector<std::uint8_t>> Forwarded() {
        const std::lock_guard lock(mutex_);
        return forwarded_;
    }

private:
    kelvo::CSerialPort line_;
    std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> forwarded_;
};

// What the requests demand on a serial line at kBaud: the longer of the pause and the answer,
// and the interval timeout that ends the read.
double SerialFloorMs(const std::vector<std::vector<std::uint8_t>>& requests) {
    double floor = 0;
    for (const auto& request : requests) {
        const int pause = request[1] == kelvo::kReadInputRegisters ? kelvo::kReadPauseMs
                          : request[1] == kelvo::kWriteMultipleRegisters ? kelvo::kWritePauseMs
                                                                         : kelvo::kIdentifyPauseMs;
        const std::size_t answer = request[1] == kelvo::kIdentify ? 4 + 8 + 2 : kelvo::LongestAnswerTo(request);
        floor += std::max<double>(pause, WireMs(answer)) + kelvo::TimeoutsForBaud(kBaud).intervalMs;
    }
    return floor;
}

// 2. Returns the backup's time over the serial floor, or a negative number.
double MeasureModbusTcpBackup() {
    std::filesystem::create_directories(std::filesystem::path(kelvo::GetSettingsFolder()) / "ports");
    kelvo::sim::MeterSimulator meter(PacedMeter());
    if (!meter.Start(kelvo::GetSettingsFolder() + "/ports/GW1")) return -1;
    GatewayToMeter bridge;
    if (!bridge.Open("GW1")) return -1;
    kelvo::test::LoopbackGateway gateway(kelvo::test::PeerFraming::Mbap,
                                         [&bridge](int, int, auto request) { return bridge.Forward(request); });
    if (!gateway.Ready()) return -1;
    const kelvo::SerialSettings settings = Through(kelvo::kLinkModbusTcp, gateway.Port());
    kelvo::CDMRJly link;
    if (!link.OpenPort(settings)) return -1;
    const auto started = Clock::now();
    const kelvo::MeterReading backup = kelvo::ReadMeter(link, settings, kelvo::kW58Meter);
    const double backupMs = Ms(Clock::now() - started);
    if (!backup.record) {
        std::fprintf(stderr, "the backup failed: %s\n", kelvo::ReadingFailureText(backup).c_str());
        return -1;
    }
    const auto forwarded = bridge.Forwarded();
    const double floorMs = SerialFloorMs(forwarded);
    std::printf("2. a W58 backup through a Modbus TCP gateway (meter paced at %d baud): %zu parameters, %zu requests\n",
                kBaud, backup.record->values.size(), forwarded.size());
    std::printf("   measured %.1f ms, the same backup's floor on the serial line %.1f ms\n", backupMs, floorMs);
    return backupMs / floorMs;
}

class Silent : public kelvo::Prompter {
public:
    void Warn(std::string_view, std::string_view) override {}
    bool Confirm(std::string_view) override { return false; }
};

// 3. Returns the milliseconds from "断开" until the line was free, or a negative number.
double MeasureDisconnectDuringConnect() {
    kelvo::test::StalledListener stalled;
    if (!stalled.Full()) {
        std::fprintf(stderr, "the loopback listener's backlog never filled\n");
        return -1;
    }
    kelvo::SerialSettings settings = Through(kelvo::kLinkModbusTcp, stalled.Port());
    settings.netTimeoutMs = kelvo::kMaxNetTimeoutMs;  // only the stop can end it in time
    kelvo::StopEvent stop;
    std::mutex liveMutex;
    kelvo::LineOwner line(stop);
    line.UseSettings(settings);
    kelvo::LiveConnection connection(line, liveMutex);
    Silent messages;
    double worst = 0;
    std::printf("3. \"断开\" while the connect does not complete, until the line is free:");
    for (int round = 0; round < 5; ++round) {
        if (!connection.Connect(messages, {})) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // well into the connect
        const auto pressed = Clock::now();
        connection.Disconnect();
        while (connection.Active()) std::this_thread::sleep_for(std::chrono::microseconds(200));
        const double freeMs = Ms(Clock::now() - pressed);
        std::printf(" %.2f", freeMs);
        worst = std::max(worst, freeMs);
    }
    std::printf(" ms\n");
    return worst;
}

}  // namespace

int main(int argc, char** argv) {
    const int reads = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 20;
    kelvo::bench::TemporaryConfigHome home;
    if (!home.Ready()) return 1;
    const double readRatio = MeasureTcpRead(reads);
    const double backupRatio = MeasureModbusTcpBackup();
    const double disconnectMs = MeasureDisconnectDuringConnect();
    if (readRatio < 0 || backupRatio < 0 || disconnectMs < 0) return 1;
    std::printf("tcp read ratio %.3f, modbus tcp backup ratio %.3f, disconnect during connect %.1f ms\n", readRatio,
                backupRatio, disconnectMs);
    return 0;
}
