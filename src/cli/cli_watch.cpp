// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_watch.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <ostream>

#include "cli/cli_line.h"
#include "line/line_owner.h"
#include "link/stop_event.h"
#include "live/live_connection.h"
#include "meter/shared_parameters.h"
#include "meter/value_codec.h"
#include "proving/proving_reads.h"

namespace kelvo::cli {
namespace {

namespace live = shared_parameters;

std::int64_t Milliseconds(std::chrono::system_clock::time_point time) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

WatchedCycle Watched(const PolledCycle& cycle, const CodecContext& context) {
    WatchedCycle watched;
    watched.steadyMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(cycle.steadyTime.time_since_epoch()).count();
    const std::int64_t timeMs = Milliseconds(cycle.wallTime);
    if (!cycle.good || cycle.values == nullptr) {
        watched.sample = FailedSample(timeMs);
        return watched;
    }
    const LiveRecord& record = *cycle.values;
    watched.sample = GoodSample(record, timeMs, cycle.meterKind);
    watched.forwardTotal = ForwardTotalOf(record);
    watched.flowRange = DecodeRow(live::kFlowRange, record, context).real;
    return watched;
}

}  // namespace

std::optional<int> WatchFailed(const Watch& watch, std::ostream& err) {
    switch (watch.end) {
        case WatchEnd::Done: return std::nullopt;
        case WatchEnd::NotPolled: return kExitPort;  // the connection said why
        case WatchEnd::Interrupted: err << "已中断，没有结论。\n"; break;
        case WatchEnd::Lost: err << "仪表没有应答轮询，没有结论。\n"; break;
    }
    return kExitNoVerdict;
}

Watch WatchCycles(const PortOptions& line, const Console& console, std::chrono::milliseconds limit,
                  const Enough& enough) {
    StopEvent stopEvent;
    std::mutex liveMutex;
    LineOwner owner(stopEvent);
    StreamPrompter prompter(console.err);
    LiveConnection connection(owner, liveMutex);
    Watch watch;
    watch.meterKind = MeterKindFor(line);
    connection.SetMeterKind(watch.meterKind);

    const SerialSettings settings = SettingsFor(line);
    std::mutex mutex;  // guards watch.cycles and the context
    CodecContext context{.byteOrderMode = settings.byteOrderMode};
    std::atomic<bool> identified{false};
    std::atomic<bool> done{false};
    const ConnectionEvents events{
        .identified =
            [&](const MeterIdentity& identity) {
                const std::lock_guard lock(mutex);
                context.paramEncoding = identity.paramEncoding;
                identified.store(true);
            },
        .ended = {},
        .cycleEnded =
            [&](const PolledCycle& cycle) {
                const std::lock_guard lock(mutex);
                if (done.load()) return;
                watch.cycles.push_back(Watched(cycle, context));
                if (enough(watch.cycles)) done.store(true);
            },
    };
    if (!connection.Connect(prompter, events, settings)) {
        console.err << "kelvo-cli：无法开始轮询。\n";
        return watch;
    }
    bool interrupted = false;
    std::optional<std::chrono::steady_clock::time_point> giveUp;
    while (!done.load() && connection.Active() && !interrupted) {
        if (!giveUp && identified.load()) giveUp = std::chrono::steady_clock::now() + limit;
        // A device that went away is opened again and again without a cycle: the limit ends that.
        if (giveUp && std::chrono::steady_clock::now() >= *giveUp) break;
        interrupted = console.wait(kPrintInterval);
    }
    connection.DisconnectAndWait();
    const std::lock_guard lock(mutex);
    if (done.load()) {
        watch.end = WatchEnd::Done;
    } else if (interrupted) {
        watch.end = WatchEnd::Interrupted;
    } else {
        watch.end = identified.load() ? WatchEnd::Lost : WatchEnd::NotPolled;
    }
    return watch;
}

}  // namespace kelvo::cli
