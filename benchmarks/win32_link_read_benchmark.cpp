// What one live-value read costs on the Win32 port at 9600 baud, against what the line and
// the link's own waits demand, as link_read_benchmark measures it on Linux. Under Wine the
// far end is a Linux kelvo-meter-sim pacing its answers at 9600 baud behind a COM port:
//
//   kelvo-meter-sim --link /tmp/kelvo-com3 --baud 9600 &
//   wine reg add 'HKLM\Software\Wine\Ports' /v COM3 /d /tmp/kelvo-com3 /f   # once per prefix
//   wine win32_link_read_benchmark.exe COM3 [reads]
//
// (scripts/windows/test-windows.sh does all of this.) Prints the measured and the demanded
// time per read and last "overhead ratio X.XXX" (measured / demanded); exits with 1 when a
// read fails or the ratio is above 1.01.

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/modbus_rtu.h"
#include "link/transport.h"
#include "messages/failure_text.h"
#include "settings/settings.h"

namespace {

constexpr int kBaud = 9600;
constexpr int kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr std::uint16_t kFirstRegister = 99;  // the live block starts with the flow
constexpr int kRegisters = 100;
constexpr int kRequestBytes = 8;
constexpr int kAnswerBytes = 5 + 2 * kRegisters;  // address, function, count, data, CRC
constexpr double kAllowedRatio = 1.01;
constexpr int kDefaultReads = 20;
constexpr int kMeterAddress = 8;  // kelvo-meter-sim's default

double WireMs(int bytes) { return 1000.0 * bytes * kBitsPerByte / kBaud; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: win32_link_read_benchmark COMn [reads]\n");
        return 2;
    }
    const int reads = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : kDefaultReads;

    kelvo::SerialSettings settings;
    settings.portName = argv[1];
    settings.baudRate = kBaud;
    settings.address = kMeterAddress;
    kelvo::CDMRJly link;
    if (const kelvo::LinkResult opened = link.OpenPort(settings); !opened) {
        std::fprintf(stderr, "cannot open %s: %s\n", argv[1], kelvo::FailureDetail(opened).c_str());
        return 1;
    }

    constexpr std::uint16_t kBlockBytes = 2 * kRegisters;
    std::array<std::uint8_t, kBlockBytes> block{};
    // One read first, so that the first open of the line under Wine is not measured.
    if (const kelvo::LinkResult read = link.ReadRegisters(kFirstRegister, kBlockBytes, block.data()); !read) {
        std::fprintf(stderr, "the meter did not answer: %s\n", kelvo::FailureDetail(read).c_str());
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

    std::printf("%d reads of %d registers from register %d at %d baud on %s\n", reads, kRegisters, kFirstRegister,
                kBaud, argv[1]);
    std::printf("measured  %.3f ms per read\n", measuredMs);
    std::printf("demanded  %.3f ms per read = request %.3f + answer %.3f + pause %d + interval timeout %.0f\n",
                demandedMs, requestMs, answerMs, kelvo::kReadPauseMs, intervalMs);
    std::printf("overhead ratio %.3f\n", ratio);
    return ratio <= kAllowedRatio ? 0 : 1;
}
