// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli log: connects as the main window does and writes every polling cycle to CSV
// files, for unattended logging. The end of --seconds and Ctrl+C both close the file whole.

#include <atomic>
#include <chrono>
#include <mutex>
#include <ostream>

#include "cli/cli_arguments.h"
#include "cli/cli_line.h"
#include "cli/cli_run.h"
#include "history/cycle_recorder.h"
#include "line/line_owner.h"
#include "link/stop_event.h"
#include "live/live_connection.h"

namespace kelvo::cli {
namespace {

using Clock = std::chrono::steady_clock;

// The file keeps the record; nothing is drawn here, so the history holds a single cycle.
constexpr HistoryLimits kNoHistory{.maxAge = std::chrono::milliseconds(0), .maxCount = 1};

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Names each file of the log once, as it begins.
class FilePrinter {
public:
    explicit FilePrinter(std::ostream& out) : out_(out) {}
    void PrintNew(const std::vector<std::string>& files) {
        for (; shown_ < files.size(); ++shown_) out_ << "记录文件：" << files[shown_] << "\n" << std::flush;
    }

private:
    std::ostream& out_;
    std::size_t shown_ = 0;
};

}  // namespace

int RunLog(const LogCommand& log, const Console& console) {
    StopEvent stopEvent;
    std::mutex liveMutex;
    HistoryStore history(kNoHistory);
    CycleRecorder recorder(history);
    LineOwner line(stopEvent);
    StreamPrompter prompter(console.err);
    LiveConnection connection(line, liveMutex);
    connection.SetMeterKind(MeterKindFor(log.line));

    std::atomic<bool> identified{false};
    const ConnectionEvents events{
        .identified =
            [&](const MeterIdentity&) {
                recorder.Begin(IdentityOf(connection));
                recorder.StartLog({.chosenPath = log.output, .identity = {}, .startMs = NowMs(), .ended = {}});
                identified.store(true);
            },
        .ended = {},
        .cycleEnded = [&recorder](const PolledCycle& cycle) { recorder.Record(cycle); },
    };
    if (!connection.Connect(prompter, events, SettingsFor(log.line))) {
        console.err << "kelvo-cli：无法开始轮询。\n";
        return kExitNothing;
    }
    bool interrupted = false;
    while (!identified.load() && connection.Active() && !interrupted) interrupted = console.wait(kPrintInterval);
    if (!identified.load()) {
        // The port would not open, or the meter did not answer who it is (both said on `err`).
        connection.DisconnectAndWait();
        return interrupted ? kExitNothing : kExitPort;
    }

    FilePrinter printer(console.out);
    const auto end = log.seconds ? std::optional(Clock::now() + std::chrono::seconds(*log.seconds)) : std::nullopt;
    for (;;) {
        const std::optional<LogProgress> running = recorder.RunningLog();
        if (running) printer.PrintNew(running->files);
        if (!connection.Active() || !running || !running->running) break;
        auto wait = kPrintInterval;
        if (end) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*end - Clock::now());
            if (left.count() <= 0) break;
            wait = std::min(left, wait);
        }
        if (console.wait(wait)) break;
    }
    connection.DisconnectAndWait();
    const std::optional<LogProgress> done = recorder.FinishLog();
    if (!done) return kExitNothing;
    printer.PrintNew(done->files);
    if (!done->failure.empty()) {
        console.err << kLogStoppedText << done->failure << "已写入 " << done->rows << " 行。\n";
        return kExitNotDone;
    }
    if (done->files.empty()) {
        console.err << "仪表没有应答轮询，没有写入记录文件。\n";
        return kExitPort;
    }
    console.out << "已记录 " << done->rows << " 行。\n";
    return kExitDone;
}

}  // namespace kelvo::cli
