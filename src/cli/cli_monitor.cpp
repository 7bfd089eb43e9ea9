// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli monitor: connects as the main window does, polls for a while and prints
// every frame of it with the traffic monitor's decoder.

#include <atomic>
#include <mutex>
#include <ostream>
#include <string_view>

#include "cli/cli_arguments.h"
#include "cli/cli_line.h"
#include "cli/cli_run.h"
#include "line/line_owner.h"
#include "link/stop_event.h"
#include "link/traffic_log.h"
#include "messages/prompter.h"
#include "live/live_connection.h"
#include "traffic/traffic_text.h"

namespace kelvo::cli {
namespace {

using Clock = std::chrono::steady_clock;

class TrafficPrinter {
public:
    TrafficPrinter(const TrafficLog& log, std::ostream& out) : log_(log), out_(out) {}
    void PrintNew() {
        for (const std::string& line : decoder_.ReadLines(log_, cursor_)) out_ << line << "\n";
        out_.flush();
    }
    const TrafficCounters& Counters() const { return decoder_.Counters(); }

private:
    const TrafficLog& log_;
    std::ostream& out_;
    TrafficDecoder decoder_;
    std::uint64_t cursor_ = 0;
};

}  // namespace

int RunMonitor(const MonitorCommand& monitor, std::ostream& out, std::ostream& err, const InterruptWait& wait) {
    StopEvent stopEvent;
    std::mutex liveMutex;
    LineOwner line(stopEvent);
    line.Traffic().SetCapturing(true);
    TrafficPrinter printer(line.Traffic(), out);
    // Messages come from the line's worker; this thread writes to `err` only once the
    // connection has ended.
    StreamPrompter prompter(err);
    LiveConnection connection(line, liveMutex);
    connection.SetMeterKind(MeterKindFor(monitor.line));

    std::atomic<bool> identified{false};
    const ConnectionEvents events{.identified = [&identified](const MeterIdentity&) { identified.store(true); },
                                  .ended = {},
                                  .cycleEnded = {}};
    if (!connection.Connect(prompter, events, SettingsFor(monitor.line))) {
        err << "kelvo-cli：无法开始轮询。\n";
        return kExitNothing;
    }
    while (!identified.load() && connection.Active()) {
        if (wait(kPrintInterval)) break;
        printer.PrintNew();
    }
    if (!identified.load()) {
        connection.DisconnectAndWait();
        printer.PrintNew();
        return connection.LastOpenError() != PortError::None ? kExitPort : kExitNothing;
    }
    const Clock::time_point end = Clock::now() + std::chrono::seconds(monitor.seconds);
    for (Clock::time_point now = Clock::now(); now < end && connection.Active(); now = Clock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
        if (wait(std::min(left, kPrintInterval))) break;
        printer.PrintNew();
    }
    connection.DisconnectAndWait();
    printer.PrintNew();
    err << CountersText(printer.Counters()) << "\n";
    return connection.Health().goodCycleSeen ? kExitFound : kExitNothing;
}

}  // namespace kelvo::cli
