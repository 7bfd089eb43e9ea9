// SPDX-License-Identifier: GPL-3.0-or-later
// The trend window over a day of history: a W58 heat meter polled once a second for 24
// hours, every value ticked. Offscreen, as the widget tests run.
//
//   cmake --build build --target trend_benchmark && build/benchmarks/trend_benchmark
//
// Prints the resident memory the history adds, and with the window open; then, for the
// spans "24 小时" and "全部" while following, the time of a frame: a new cycle arrives, the
// window decimates, updates its lines, axes, statistics and cursor, lays itself out and
// paints its charts (grabbed into an image), in wall-clock time and in the thread's CPU time.
// Last line: "resident memory added A MB (aim 64), worst frame 24 h B ms, all C ms of thread
// CPU (aim 16), ratio D" (the worst frame over its aim).

#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <fstream>
#include <string_view>

#include "day_of_history.h"
#include "history/cycle_recorder.h"
#include "messages/prompter.h"
#include "counting_prompter.h"
#include "temp_config_home.h"
#include "ui/trend/trend_window.h"

namespace {

// Five minutes of cycles: the follow moves the span by whole columns, and at 24 h a column
// is about two minutes, so the frames that redraw every column are among them.
constexpr int kFrames = 300;
// Frames in which the window settles after a span is chosen (its new axes take their room).
constexpr int kSettlingFrames = 3;
constexpr double kFrameAimMs = 16;
constexpr double kMemoryAimMb = 64;

using kelvo::bench::CountingPrompter;

double ResidentMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The window's thread's own time: on a machine shared with other work, the wall-clock time
// of a frame also holds the time the thread waited for a core.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Frames {
    double meanMs = 0;
    double worstMs = 0;
    double meanCpuMs = 0;
    double worstCpuMs = 0;
    double settlingCpuMs = 0;  // of the frames right after the span was chosen
};

// Each frame: one more cycle, as the polling brings it, and the window drawn anew.
Frames Measure(kelvo::CTrendWindow& window, kelvo::HistoryStore& store, std::int64_t& timeMs, std::int64_t& steadyMs) {
    Frames frames;
    auto* charts = window.findChild<QWidget*>(QStringLiteral("trendCharts"));
    if (charts == nullptr) return frames;
    for (int frame = -kSettlingFrames; frame < kFrames; ++frame) {
        timeMs += 1000;
        steadyMs += 1000;
        kelvo::CycleSample sample;
        sample.timeMs = timeMs;
        sample.outcome = kelvo::CycleOutcome::Good;
        sample.floats = {12.0F + 0.01F * frame, 6.8F, 30.0F, 0.85F, 2.8F, 65.0F, 45.0F};
        sample.volumeUnit = 1;
        sample.timeUnit = 2;
        store.Append(sample, steadyMs);
        QElapsedTimer took;
        took.start();
        const double cpuBefore = ThreadCpuMs();
        window.Refresh();
        QCoreApplication::processEvents();
        const QImage painted = charts->grab().toImage();
        const double ms = static_cast<double>(took.nsecsElapsed()) / 1e6;
        const double cpuMs = ThreadCpuMs() - cpuBefore;
        if (painted.isNull()) return {};
        if (frame < 0) {
            frames.settlingCpuMs += cpuMs;
            continue;
        }
        frames.meanMs += ms / kFrames;
        frames.worstMs = std::max(frames.worstMs, ms);
        frames.meanCpuMs += cpuMs / kFrames;
        frames.worstCpuMs = std::max(frames.worstCpuMs, cpuMs);
    }
    return frames;
}

}  // namespace

int main(int argc, char* argv[]) {
    kelvo::bench::TemporaryConfigHome home;
    if (!home.Ready()) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    const double before = ResidentMb();
    kelvo::HistoryStore store;
    kelvo::CycleRecorder recorder(store);
    recorder.Begin({.model = "RA03", .version = "2004", .meterNumber = {}, .meterKind = kelvo::kW58Meter,
                    .measuresHeat = true, .port = "COM1", .address = 8, .baudRate = 2400, .parity = 2});
    std::int64_t timeMs = QDateTime::currentMSecsSinceEpoch();
    std::int64_t steadyMs = SteadyMs();
    kelvo::bench::WriteDayOfHistory(store, timeMs, steadyMs);
    const double withHistory = ResidentMb();

    CountingPrompter prompter;
    kelvo::CTrendWindow window(store, recorder, nullptr, nullptr, prompter);
    window.resize(1280, 800);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    for (const kelvo::SeriesInfo& series : kelvo::kSeries) window.SetShown(series.id, true);

    window.SetSpanChoice(4);  // 24 小时
    const Frames day = Measure(window, store, timeMs, steadyMs);
    window.SetSpanChoice(5);  // 全部
    const Frames all = Measure(window, store, timeMs, steadyMs);
    const double withWindow = ResidentMb();

    std::printf("history: %zu polling cycles of a W58 heat meter, %d values each\n", store.Take().Size(),
                static_cast<int>(kelvo::kSeries.size()));
    std::printf("resident memory: %.1f MB before, +%.1f MB with the history, +%.1f MB with the trend window\n", before,
                withHistory - before, withWindow - before);
    for (const auto& [what, frames] : {std::pair{"24 h", day}, std::pair{"all", all}}) {
        std::printf("frame, span %-4s: wall mean %.1f ms, worst %.1f ms; thread CPU mean %.1f ms, worst %.1f ms "
                    "(%d frames; the %d before them, as the window settled: %.1f ms of CPU)\n",
                    what, frames.meanMs, frames.worstMs, frames.meanCpuMs, frames.worstCpuMs, kFrames, kSettlingFrames,
                    frames.settlingCpuMs);
    }
    std::printf("messages: %d\n", prompter.messages);
    const double worst = std::max(day.worstCpuMs, all.worstCpuMs);
    std::printf("resident memory added %.1f MB (aim %.0f), worst frame 24 h %.1f ms, all %.1f ms of thread CPU "
                "(aim %.0f), ratio %.3f\n",
                withWindow - before, kMemoryAimMb, day.worstCpuMs, all.worstCpuMs, kFrameAimMs, worst / kFrameAimMs);
    return 0;
}
