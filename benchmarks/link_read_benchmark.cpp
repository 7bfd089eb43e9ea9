// What one live-value read costs at 9600 baud, against what the line and the link's own
// waits demand: the request and the answer on the wire, the pause after the request and
// the interval timeout that ends every read. A simulated meter paces its answers at
// 9600 baud on a pseudo-terminal, so the wire time is real.
//
//   cmake --build build --target link_read_benchmark && build/benchmarks/link_read_benchmark [reads]
//
// Prints the measured and the demanded time per read and last "overhead ratio X.XXX"
// (measured / demanded); exits with 1 when a read fails or the ratio is above 1.05.

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "link/modbus_rtu.h"
#include "link/transport.h"
#include "messages/failure_text.h"
#include "settings/settings.h"
#include "sim/meter_simulator.h"
#include "temp_config_home.h"

namespace {

constexpr int kBaud = 9600;
constexpr int kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr std::uint16_t kFirstRegister = 99;  // the live block starts with the flow
constexpr int kRegisters = 100;
constexpr int kRequestBytes = 8;
constexpr int kAnswerBytes = 5 + 2 * kRegisters;  // address, function, count, data, CRC
constexpr double kAllowedRatio = 1.05;
constexpr int kDefaultReads = 20;

double WireMs(int bytes) { return 1000.0 * bytes * kBitsPerByte / kBaud; }

int ReadsFromArguments(int argc, char** argv) {
    if (argc < 2) return kDefaultReads;
    const int reads = std::atoi(argv[1]);
    return reads > 0 ? reads : kDefaultReads;
}

}  // namespace

int main(int argc, char** argv) {
    const int reads = ReadsFromArguments(argc, argv);
    kelvo::bench::TemporaryConfigHome configHome;
    if (!configHome.Ready()) {
        std::fprintf(stderr, "cannot make a temporary settings folder\n");
        return 1;
    }
    const std::filesystem::path portsFolder = std::filesystem::path(kelvo::GetSettingsFolder()) / "ports";
    std::error_code error;
    std::filesystem::create_directories(portsFolder, error);

    kelvo::sim::SimOptions options;
    options.paceBaud = kBaud;
    options.moveLiveValues = false;
    kelvo::sim::MeterSimulator meter(options);
    meter.SetPaceBaud(kBaud);
    if (!meter.Start((portsFolder / "COM1").string())) {
        std::fprintf(stderr, "cannot start the simulated meter\n");
        return 1;
    }

    kelvo::SerialSettings settings;
    settings.portName = "COM1";
    settings.baudRate = kBaud;
    settings.address = options.address;
    kelvo::CDMRJly link;
    if (const kelvo::LinkResult opened = link.OpenPort(settings); !opened) {
        std::fprintf(stderr, "cannot open the port: %s\n", kelvo::FailureDetail(opened).c_str());
        return 1;
    }

    constexpr std::uint16_t kBlockBytes = 2 * kRegisters;
    std::array<std::uint8_t, kBlockBytes> block{};
    // One read first, so that start-up of the simulated meter is not measured.
    if (const kelvo::LinkResult read = link.ReadRegisters(kFirstRegister, kBlockBytes, block.data()); !read) {
        std::fprintf(stderr, "the simulated meter did not answer: %s\n", kelvo::FailureDetail(read).c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reads; ++i) {
        if (const kelvo::LinkResult read = link.ReadRegisters(kFirstRegister, kBlockBytes, block.data()); !read) {
            std::fprintf(stderr, "read %d failed: %s\n", i + 1, kelvo::FailureDetail(read).c_str());
            return 1;
        }
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    link.ClosePort();

    const double measuredMs = elapsed.count() / reads;
    const double requestMs = WireMs(kRequestBytes);
    const double answerMs = WireMs(kAnswerBytes);
    const double intervalMs = kelvo::TimeoutsForBaud(kBaud).intervalMs;
    const double demandedMs = requestMs + answerMs + kelvo::kReadPauseMs + intervalMs;
    const double ratio = measuredMs / demandedMs;

    std::printf("%d reads of %d registers from register %d at %d baud\n", reads, kRegisters, kFirstRegister, kBaud);
    std::printf("measured  %.3f ms per read\n", measuredMs);
    std::printf("demanded  %.3f ms per read = request %.3f + answer %.3f + pause %d + interval timeout %.0f\n",
                demandedMs, requestMs, answerMs, kelvo::kReadPauseMs, intervalMs);
    std::printf("overhead ratio %.3f\n", ratio);
    return ratio <= kAllowedRatio ? 0 : 1;
}
