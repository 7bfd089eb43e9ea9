// SPDX-License-Identifier: GPL-3.0-or-later
// Live polling as the user runs it: the real main window (offscreen) connected to a
// simulated generic meter at 9600 baud in a separate process, so that the CPU time and
// memory measured are Kelvo's own.
//
//   cmake --build build --target live_polling_benchmark kelvo-meter-sim &&
//   build/benchmarks/live_polling_benchmark [--seconds 30]
//
// Prints the time from start to the main window shown, the polling cycles per second
// allowed by the protocol and measured (requests for register 99 as the meter's trace
// shows them), the CPU time per second of polling, the resident memory and last
// "cycle ratio X.XXX, with the traffic monitor open Y.YYY (difference Z %), with a log
// running W.WWW (difference V %, the log adds U % of one core)" (allowed cycle time /
// measured cycle time). Polling is measured three times: with the traffic monitor closed,
// open, and closed again with a log writing every cycle to a CSV file. Targets: a ratio of
// at least 0.95, less than 2 % of one core, the ratios with the monitor open and with the
// log within 1 % of the ratio without them, and the log adding at most 0.1 % of one core.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "link/stop_event.h"
#include "link/transport.h"
#include "messages/prompter.h"
#include "live/live_polling.h"
#include "ui/dialogs/traffic_monitor_dlg.h"
#include "ui/main/kelvo_dlg.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 9600;
constexpr double kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr double kPauseAfterRequestMs = 50;
constexpr double kPauseBetweenCyclesMs = 100;
constexpr int kRequestBytes = 8;
constexpr int kAnswerFrameBytes = 5;  // address, function, byte count, CRC
// A request for register 99 of the meter at address 8, as the meter's trace shows it.
constexpr const char* kFirstBlockRequest = "kelvo-meter-sim: rx 08 04 00 63";

double WireMs(int bytes) { return bytes * kBitsPerByte * 1000.0 / kBaud; }

// One generic cycle as the protocol allows it: per block the request and the answer
// on the wire, the pause after the request and the interval timeout that ends the read;
// then the pause between cycles.
double AllowedCycleMs() {
    double total = kPauseBetweenCyclesMs;
    for (const kelvo::RegisterSpan& block : kelvo::LiveBlocksOf(0)) {
        total += WireMs(kRequestBytes) + kPauseAfterRequestMs + WireMs(kAnswerFrameBytes + block.bytes) +
                 kelvo::TimeoutsForBaud(kBaud).intervalMs;
    }
    return total;
}

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "kelvo-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// kelvo-meter-sim in its own process; stopped with SIGTERM and reaped on every path.
class SimulatorProcess {
public:
    SimulatorProcess(const std::string& linkPath, const std::string& tracePath) {
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0) return;
        readyFd_ = ready[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, tracePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::string program = KELVO_METER_SIM;
        std::vector<std::string> args = {program, "--kind", "generic", "--baud", std::to_string(kBaud),
                                         "--trace", "--link", linkPath};
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(ready[1]);
    }
    ~SimulatorProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (readyFd_ >= 0) close(readyFd_);
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // The line the simulator prints once it serves; empty when it did not come in time.
    std::string WaitUntilReady(int timeoutMs) const {
        std::string line;
        pollfd readable{readyFd_, POLLIN, 0};
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (pid_ > 0 && Clock::now() < deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (poll(&readable, 1, static_cast<int>(left.count()) + 1) <= 0) break;
            char c = 0;
            if (read(readyFd_, &c, 1) != 1) break;
            if (c == '\n') return line;
            line += c;
        }
        return {};
    }

private:
    pid_t pid_ = -1;
    int readyFd_ = -1;
};

long CountFirstBlockRequests(const std::string& tracePath) {
    std::ifstream trace(tracePath);
    long count = 0;
    for (std::string line; std::getline(trace, line);) count += line.rfind(kFirstBlockRequest, 0) == 0 ? 1 : 0;
    return count;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string ResidentMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return line.substr(line.find_first_not_of(" \t", 6));
    return "unknown";
}

void RunEventLoopFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

struct CycleMark {
    long requests;
    Clock::time_point at;
};

// The moment the next cycle starts, i.e. the meter sees its next request for register 99.
// Cycles are timed from such a mark to another, so no part cycle is counted.
CycleMark WaitForNextCycle(const std::string& tracePath) {
    const long before = CountFirstBlockRequests(tracePath);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        const long now = CountFirstBlockRequests(tracePath);
        if (now != before) return {now, Clock::now()};
        usleep(2000);
    }
}

struct Measurement {
    long cycles = 0;
    double pollingSeconds = 0;
    double cpuMsPerSecond = 0;

    double PerSecond() const { return pollingSeconds > 0 ? cycles / pollingSeconds : 0.0; }
    double CycleRatio(double allowedCycleMs) const {
        return cycles > 0 ? allowedCycleMs / (1000.0 / PerSecond()) : 0.0;
    }
};

// Whole cycles, counted from one first-block request to another, over about `seconds`.
Measurement MeasurePolling(const std::string& tracePath, int seconds) {
    const CycleMark first = WaitForNextCycle(tracePath);
    const double cpuBefore = CpuSeconds();
    RunEventLoopFor(seconds * 1000);
    const double cpuUsed = CpuSeconds() - cpuBefore;
    const double cpuSeconds = std::chrono::duration<double>(Clock::now() - first.at).count();
    const CycleMark last = WaitForNextCycle(tracePath);
    return {.cycles = last.requests - first.requests,
            .pollingSeconds = std::chrono::duration<double>(last.at - first.at).count(),
            .cpuMsPerSecond = 1000.0 * cpuUsed / cpuSeconds};
}

void Print(const char* what, const Measurement& measured) {
    std::printf("%s: polling cycles per second, measured: %.3f (%ld cycles in %.1f s)\n", what,
                measured.PerSecond(), measured.cycles, measured.pollingSeconds);
    std::printf("%s: CPU time per second of polling: %.2f ms (%.2f %% of one core)\n", what,
                measured.cpuMsPerSecond, measured.cpuMsPerSecond / 10.0);
}

int Fail(const char* what) {
    std::fprintf(stderr, "live_polling_benchmark: %s\n", what);
    return 1;
}

// A failed connect must end the run with its reason, not wait for a box nobody closes.
class StderrPrompter : public kelvo::Prompter {
public:
    void Warn(std::string_view text, std::string_view detail) override {
        std::fprintf(stderr, "live_polling_benchmark: %s %s\n", std::string(text).c_str(), std::string(detail).c_str());
    }
    bool Confirm(std::string_view text) override {
        Warn(text, {});
        return false;
    }
};

// Connecting runs on the line's worker: the window is connected once the meter has
// answered, and no longer busy once a failed connect has ended.
bool WaitUntilConnected(const kelvo::CKelvoDlg& window, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!window.IsConnected() && Clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!window.property("busy").toBool() && !window.IsConnected()) return false;
        usleep(2000);
    }
    return window.IsConnected();
}

}  // namespace

int main(int argc, char* argv[]) {
    int seconds = 30;
    if (argc == 3 && std::string(argv[1]) == "--seconds") seconds = std::max(1, std::atoi(argv[2]));

    const TempFolder config;
    if (config.Path().empty()) return Fail("cannot make a settings folder");
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    const fs::path kelvoFolder = fs::path(config.Path()) / "Kelvo";
    fs::create_directories(kelvoFolder / "ports");
    // The generic kind: a W58 window would store 2400 baud.
    std::ofstream(kelvoFolder / "config.ini") << "[ComSet]\nAddr=8\nCOM=COM1\nBaudRate=9600\nParity=0\n"
                                                 "ReadTotalTimeoutConstant=100\nSwap=1\n[MeterType]\nType=0\n";
    const std::string tracePath = config.Path() + "/meter-trace.log";
    const SimulatorProcess simulator((kelvoFolder / "ports" / "COM1").string(), tracePath);
    const std::string ready = simulator.WaitUntilReady(10000);
    if (ready.empty()) return Fail("the simulated meter " KELVO_METER_SIM " did not start");

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Kelvo's own start: from here on the program does what kelvo's main() does.
    const Clock::time_point started = Clock::now();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    kelvo::StopEvent stopEvent;
    std::mutex liveMutex;
    StderrPrompter prompter;
    kelvo::CKelvoDlg window(stopEvent, liveMutex, &prompter);
    window.show();
    while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double shownMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();

    window.Connect();
    if (!WaitUntilConnected(window, 10000)) return Fail("connect failed");
    RunEventLoopFor(1000);  // past the identification and the first cycle

    const Measurement closed = MeasurePolling(tracePath, seconds);
    // The same again with the traffic monitor open: every frame is captured and the
    // window shows them ten times a second, on the user-interface thread.
    window.ShowTrafficMonitor();
    RunEventLoopFor(500);
    const Measurement open = MeasurePolling(tracePath, seconds);
    // And with a log: a row a cycle, flushed onto the disk, on the log's own thread.
    window.TrafficMonitor().close();
    window.StartLog(QString::fromStdString(config.Path() + "/bench.csv"));
    RunEventLoopFor(500);
    const Measurement logging = MeasurePolling(tracePath, seconds);
    const std::optional<kelvo::LogProgress> log = window.Recorder().RunningLog();
    const std::string rss = ResidentMemory();
    window.Disconnect();

    const double allowedCycleMs = AllowedCycleMs();
    std::printf("meter: %s\n", ready.c_str());
    std::printf("start to main window shown: %.0f ms\n", shownMs);
    std::printf("polling cycles per second, protocol allows: %.3f (%.1f ms per cycle)\n", 1000.0 / allowedCycleMs,
                allowedCycleMs);
    Print("traffic monitor closed", closed);
    Print("traffic monitor open", open);
    Print("log running", logging);
    std::printf("log: %llu rows in %zu file(s)%s%s\n", log ? static_cast<unsigned long long>(log->rows) : 0ULL,
                log ? log->files.size() : 0U, log && !log->failure.empty() ? ", stopped: " : "",
                log ? log->failure.c_str() : "");
    std::printf("resident memory: %s\n", rss.c_str());
    const double ratioClosed = closed.CycleRatio(allowedCycleMs);
    const double ratioOpen = open.CycleRatio(allowedCycleMs);
    const double ratioLogging = logging.CycleRatio(allowedCycleMs);
    const auto difference = [ratioClosed](double ratio) {
        return ratioClosed > 0 ? 100.0 * (ratio - ratioClosed) / ratioClosed : 0.0;
    };
    std::printf(
        "cycle ratio %.3f, with the traffic monitor open %.3f (difference %+.2f %%), with a log running %.3f "
        "(difference %+.2f %%, the log adds %.3f %% of one core)\n",
        ratioClosed, ratioOpen, difference(ratioOpen), ratioLogging, difference(ratioLogging),
        (logging.cpuMsPerSecond - closed.cpuMsPerSecond) / 10.0);
    return 0;
}
