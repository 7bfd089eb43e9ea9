// SPDX-License-Identifier: GPL-3.0-or-later
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

#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/modbus_rtu.h"
#include "link/transport.h"
#include "link_read_cost.h"
#include "messages/failure_text.h"
#include "settings/settings.h"

namespace {

constexpr double kAllowedRatio = 1.01;
constexpr int kDefaultReads = 20;
constexpr int kMeterAddress = 8;  // kelvo-meter-sim's default

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: win32_link_read_benchmark COMn [reads]\n");
        return 2;
    }
    const int reads = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : kDefaultReads;

    kelvo::SerialSettings settings;
    settings.portName = argv[1];
    settings.baudRate = kelvo::bench::kReadBaud;
    settings.address = kMeterAddress;
    kelvo::CDMRJly link;
    if (const kelvo::LinkResult opened = link.OpenPort(settings); !opened) {
        std::fprintf(stderr, "cannot open %s: %s\n", argv[1], kelvo::FailureDetail(opened).c_str());
        return 1;
    }
    const std::string where = " on " + settings.portName;
    const double ratio = kelvo::bench::MeasureLiveReads(link, reads, where.c_str());
    link.ClosePort();
    return ratio >= 0 && ratio <= kAllowedRatio ? 0 : 1;
}
