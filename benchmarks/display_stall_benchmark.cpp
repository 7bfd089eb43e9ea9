// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window's thread stalls while the meter is talked to: the real main window
// (offscreen) against the simulated W58 meter in-process, paced at 2400 baud, even parity.
//
//   cmake --build build --target display_stall_benchmark && build/benchmarks/display_stall_benchmark
//
// A 10 ms timer on the window's thread notes the largest gap between its ticks while the
// window is busy with (a) "全部读取" on the common page, (b) one "读取" against a silent meter
// and (c) "连接" to a silent meter; and (d) while connected and polling, with the trend
// window open over 24 hours of history (every value ticked, following) and a log running
// (the time it takes to open the window, which draws the day for the first time, is
// printed beside it).
// Each transaction is also set beside its wire floor: the requests and answers on the wire,
// the pause after each request and what the read waits for by the baud rate's timeouts
// (the interval after an answer, the total without one).
// Last line: "longest stall A ms, B ms, C ms, D ms" (aim: at most 50 each).

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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

#include "day_of_history.h"
#include "link/modbus_rtu.h"
#include "link/stop_event.h"
#include "link/wire_time.h"
#include "messages/prompter.h"
#include "pages/page_catalog.h"
#include "settings/settings.h"
#include "sim/meter_simulator.h"
#include "counting_prompter.h"
#include "temp_config_home.h"
#include "ui/main/kelvo_dlg.h"
#include "ui/pages/parameter_page_view.h"
#include "ui/trend/trend_window.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kBaud = 2400;
constexpr int kParity = 2;
constexpr int kTickMs = 10;
constexpr int kReadButton = 1074;  // the flow range's 读取 on the common page
// Five W58 cycles at 2400 baud, while the trend redraws once a second.
constexpr int kTrendSeconds = 16;

using kelvo::bench::CountingPrompter;

struct Outcome {
    double stallMs = 0;
    double tookMs = 0;
    double floorMs = 0;
};

double Ms(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

double WireMs(int bytes) { return Ms(kelvo::WireTime(bytes, kBaud, kParity)); }

// Runs `start` and the event loop until `done` holds (by default: the window is no longer
// busy), with the ticking timer watching the gaps.
Outcome Measure(kelvo::CKelvoDlg& dlg, const std::function<void()>& start, std::function<bool()> done = {}) {
    if (!done) done = [&dlg] { return !dlg.property("busy").toBool(); };
    QElapsedTimer sinceTick;
    double longest = 0;
    QTimer ticker;
    ticker.setInterval(kTickMs);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - kTickMs);
        sinceTick.restart();
    });
    ticker.start();
    sinceTick.start();
    const auto began = Clock::now();
    start();
    // The click itself runs on this thread: its time counts as a stall too.
    longest = std::max(longest, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - kTickMs);
    while (!done()) QTest::qWait(1);
    return {.stallMs = longest, .tookMs = Ms(Clock::now() - began), .floorMs = 0};
}

void Print(const char* what, const Outcome& outcome) {
    std::printf("%-34s  longest stall %6.1f ms   took %8.1f ms   floor %8.1f ms   ratio %.3f\n", what,
                outcome.stallMs, outcome.tookMs, outcome.floorMs, outcome.tookMs / outcome.floorMs);
}

}  // namespace

int main(int argc, char* argv[]) {
    kelvo::bench::TemporaryConfigHome home;
    if (!home.Ready()) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    kelvo::sim::SimOptions options;
    options.kind = kelvo::sim::SimMeterKind::W58;
    options.paceBaud = kBaud;
    options.moveLiveValues = false;
    kelvo::sim::MeterSimulator meter(options);
    if (!meter.Start()) return 1;
    const fs::path folder = kelvo::GetSettingsFolder();
    fs::create_directories(folder / "ports");
    fs::create_symlink(meter.SlavePath(), folder / "ports" / "SIM1");
    std::ofstream(folder / "config.ini") << "[ComSet]\nAddr=8\nCOM=SIM1\nBaudRate=" << kBaud << "\nParity=" << kParity
                                         << "\nReadTotalTimeoutConstant=100\nSwap=1\n[MeterType]\nType=1\n";

    kelvo::StopEvent stopEvent;
    std::mutex liveMutex;
    CountingPrompter prompter;
    kelvo::CKelvoDlg dlg(stopEvent, liveMutex, &prompter);
    dlg.show();
    auto* common = dlg.findChild<kelvo::CParameterPageView*>(QStringLiteral("146"));
    if (common == nullptr) return 1;
    const kelvo::PageDefinition& page = common->Page().Definition();
    const kelvo::ReadTimeouts timeouts = kelvo::TimeoutsForBaud(kBaud);

    Outcome readAll = Measure(dlg, [&] { common->PressButton(page.readAllButton); });
    for (const kelvo::BatchBlock& block : page.readAllBlocks) {
        readAll.floorMs += WireMs(8 + 5 + block.bytes) + kelvo::kReadPauseMs + timeouts.intervalMs;
    }
    Print("(a) 全部读取, common page", readAll);

    meter.SetSilent(true);
    Outcome silentRead = Measure(dlg, [&] { common->PressButton(kReadButton); });
    silentRead.floorMs = kelvo::kAttemptsPerChunk * (WireMs(8) + kelvo::kReadPauseMs + timeouts.totalMs);
    Print("(b) 读取, silent meter", silentRead);

    Outcome silentConnect = Measure(dlg, [&] { dlg.Connect(); });
    silentConnect.floorMs = WireMs(6) + kelvo::kIdentifyPauseMs + timeouts.totalMs;
    Print("(c) 连接, silent meter", silentConnect);

    // (d) Polling while the trend window draws a day of history and a log writes each cycle.
    meter.SetSilent(false);
    dlg.Connect();
    while (dlg.property("busy").toBool()) QTest::qWait(10);
    if (!dlg.IsConnected()) return 1;
    kelvo::bench::WriteDayOfHistory(dlg.History(), QDateTime::currentMSecsSinceEpoch(),
                                    std::chrono::duration_cast<milliseconds>(Clock::now().time_since_epoch()).count());
    kelvo::CTrendWindow& trend = dlg.Trend();
    trend.resize(1280, 800);
    for (const kelvo::SeriesInfo& series : kelvo::kSeries) trend.SetShown(series.id, true);
    trend.SetSpanChoice(4);  // 24 小时
    dlg.StartLog(QString::fromStdString((folder / "log.csv").string()));
    // Opening the window draws the day for the first time; it is timed on its own.
    const auto opening = Clock::now();
    dlg.ShowTrend();
    QCoreApplication::processEvents();
    const double openedMs = Ms(Clock::now() - opening);
    QTest::qWait(1000);
    Outcome trendAndLog = Measure(
        dlg, [] {}, [began = Clock::now()] { return Clock::now() - began > std::chrono::seconds(kTrendSeconds); });
    const std::optional<kelvo::LogProgress> log = dlg.Recorder().RunningLog();
    dlg.Disconnect();
    std::printf("(d) polling, trend of 24 h, log     longest stall %6.1f ms   over %.0f s, %llu rows logged; "
                "opening the trend window took %.1f ms\n",
                trendAndLog.stallMs, trendAndLog.tookMs / 1000.0,
                log ? static_cast<unsigned long long>(log->rows) : 0ULL, openedMs);

    std::printf("messages %d (expected 3: 读取成功, 读取失败, 读取仪表串号失败！)\n", prompter.messages);
    std::printf("longest stall %.1f ms, %.1f ms, %.1f ms, %.1f ms\n", readAll.stallMs, silentRead.stallMs,
                silentConnect.stallMs, trendAndLog.stallMs);
    return 0;
}
