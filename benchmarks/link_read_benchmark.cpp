// SPDX-License-Identifier: GPL-3.0-or-later
// What one live-value read costs at 9600 baud, against what the line and the link's own
// waits demand: the request and the answer on the wire, the pause after the request and
// the interval timeout that ends every read. A simulated meter paces its answers at
// 9600 baud on a pseudo-terminal, so the wire time is real.
//
//   cmake --build build --target link_read_benchmark && build/benchmarks/link_read_benchmark [reads]
//
// Prints the measured and the demanded time per read and last "overhead ratio X.XXX"
// (measured / demanded); exits with 1 when a read fails or the ratio is above 1.05.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "link/modbus_rtu.h"
#include "link/transport.h"
#include "link_read_cost.h"
#include "messages/failure_text.h"
#include "settings/settings.h"
#include "sim/meter_simulator.h"
#include "temp_config_home.h"

namespace {

constexpr double kAllowedRatio = 1.05;
constexpr int kDefaultReads = 20;

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
    options.paceBaud = kelvo::bench::kReadBaud;
    options.moveLiveValues = false;
    kelvo::sim::MeterSimulator meter(options);
    meter.SetPaceBaud(kelvo::bench::kReadBaud);
    if (!meter.Start((portsFolder / "COM1").string())) {
        std::fprintf(stderr, "cannot start the simulated meter\n");
        return 1;
    }

    kelvo::SerialSettings settings;
    settings.portName = "COM1";
    settings.baudRate = kelvo::bench::kReadBaud;
    settings.address = options.address;
    kelvo::CDMRJly link;
    if (const kelvo::LinkResult opened = link.OpenPort(settings); !opened) {
        std::fprintf(stderr, "cannot open the port: %s\n", kelvo::FailureDetail(opened).c_str());
        return 1;
    }

    const double ratio = kelvo::bench::MeasureLiveReads(link, reads, "");
    link.ClosePort();
    return ratio >= 0 && ratio <= kAllowedRatio ? 0 : 1;
}
