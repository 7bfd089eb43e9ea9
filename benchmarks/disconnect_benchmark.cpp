// SPDX-License-Identifier: GPL-3.0-or-later
// How long "断开" and closing the window take while the polling waits for a meter that
// has fallen silent: the real main window (offscreen) against the simulated meter
// in-process, paced at the baud rate of each row.
//
//   cmake --build build --target disconnect_benchmark && build/benchmarks/disconnect_benchmark
//
// For each row the meter answers the identification, then falls silent; once the polling
// has sent its next request and waited 300 ms for the answer, Disconnect is called; the
// same again for closing the window. Both return at once and leave the stop to end the
// job on the line, so two times are taken: until the call returned, and until the line was
// free again (the port closed, the next connect able to start). Last line: "worst
// disconnect X ms", the longest time until the line was free (target: < 200).

#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "link/stop_event.h"
#include "messages/prompter.h"
#include "settings/settings.h"
#include "sim/meter_simulator.h"
#include "ui/main/kelvo_dlg.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Row {
    const char* what;
    int meterKind;
    int baud;
    int parity;
};

constexpr Row kRows[] = {
    {"generic, 9600 baud", kelvo::kGenericMeter, 9600, 0},
    {"W58, 2400 baud", kelvo::kW58Meter, 2400, 2},
    {"W58, 1200 baud", kelvo::kW58Meter, 1200, 2},
    {"generic, 1200 baud", kelvo::kGenericMeter, 1200, 0},
};

std::string SettingsText(const Row& row) {
    return "[ComSet]\nAddr=8\nCOM=SIM1\nBaudRate=" + std::to_string(row.baud) + "\nParity=" +
           std::to_string(row.parity) + "\nReadTotalTimeoutConstant=100\nSwap=1\n[MeterType]\nType=" +
           std::to_string(row.meterKind) + "\n";
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        QTest::qWait(1);  // fine enough to time the end of a stop
    }
    return true;
}

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

// A failed connect must end the row with its reason, not wait for a box nobody closes.
class StderrPrompter : public kelvo::Prompter {
public:
    void Warn(std::string_view text, std::string_view detail) override {
        std::fprintf(stderr, "disconnect_benchmark: %s %s\n", std::string(text).c_str(), std::string(detail).c_str());
    }
    bool Confirm(std::string_view text) override {
        Warn(text, {});
        return false;
    }
};

struct StopTimes {
    double returned;  // the call itself
    double lineFree;  // until the connection's job had ended and the port was closed
};

// Connects, silences the meter and times `stop` once the polling waits for an answer;
// nothing when the connect failed.
std::optional<StopTimes> TimeStop(const Row& row, const fs::path& folder,
                                  const std::function<void(kelvo::CKelvoDlg&)>& stop) {
    kelvo::sim::SimOptions options;
    options.kind = row.meterKind == kelvo::kW58Meter ? kelvo::sim::SimMeterKind::W58 : kelvo::sim::SimMeterKind::Generic;
    options.paceBaud = row.baud;
    kelvo::sim::MeterSimulator meter(options);
    if (!meter.Start()) return std::nullopt;
    fs::create_directories(folder / "ports");
    fs::remove(folder / "ports" / "SIM1");
    fs::create_symlink(meter.SlavePath(), folder / "ports" / "SIM1");

    kelvo::StopEvent stopEvent;
    std::mutex liveMutex;
    StderrPrompter prompter;
    Write(folder / "config.ini", SettingsText(row));
    kelvo::CKelvoDlg dlg(stopEvent, liveMutex, &prompter);
    // A W58 window has stored 2400 baud, even parity; the line takes the row's settings.
    Write(folder / "config.ini", SettingsText(row));
    dlg.Line().UseSettings(kelvo::LoadSerialSettings());
    dlg.show();
    dlg.Connect();
    // Connecting runs on the line's worker; a failed connect ends with the window not busy.
    if (!WaitUntil([&dlg] { return dlg.IsConnected() || !dlg.property("busy").toBool(); }, 60000) ||
        !dlg.IsConnected()) {
        return std::nullopt;
    }
    meter.SetSilent(true);
    meter.ClearRequests();
    if (!WaitUntil([&meter] { return !meter.Requests().empty(); }, 60000)) return std::nullopt;
    QTest::qWait(300);
    const auto started = Clock::now();
    stop(dlg);
    const double returned = Milliseconds(Clock::now() - started);
    if (!WaitUntil([&dlg] { return !dlg.Connection().Active() && dlg.Line().Idle(); }, 60000)) return std::nullopt;
    return StopTimes{.returned = returned, .lineFree = Milliseconds(Clock::now() - started)};
}

}  // namespace

int main(int argc, char* argv[]) {
    char folderTemplate[] = "/tmp/kelvo-disconnect-XXXXXX";
    if (mkdtemp(folderTemplate) == nullptr) return 1;
    const fs::path home = folderTemplate;
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    if (getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const fs::path folder = kelvo::GetSettingsFolder();

    double worst = 0;
    bool complete = true;
    for (const Row& row : kRows) {
        const auto disconnect = TimeStop(row, folder, [](kelvo::CKelvoDlg& dlg) { dlg.Disconnect(); });
        const auto close = TimeStop(row, folder, [](kelvo::CKelvoDlg& dlg) { dlg.close(); });
        if (!disconnect || !close) {
            std::printf("%-20s  could not connect\n", row.what);
            complete = false;
            continue;
        }
        std::printf("%-20s  disconnect %6.1f ms (returned %5.1f ms)   close %6.1f ms (returned %5.1f ms)\n", row.what,
                    disconnect->lineFree, disconnect->returned, close->lineFree, close->returned);
        worst = std::max({worst, disconnect->lineFree, close->lineFree});
    }
    fs::remove_all(home);
    std::printf("worst disconnect %.1f ms\n", worst);
    return complete ? 0 : 1;
}
