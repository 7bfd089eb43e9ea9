// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli zero-check: with the pipe full and the valves shut, watches the flow the meter
// reads for N seconds and judges its zero against the limits the window's "零点检查" was last
// set to in config.ini (the defaults where none are stored), so that both give one verdict.
// It only reads.

#include <ostream>

#include "cli/cli_arguments.h"
#include "cli/cli_run.h"
#include "cli/cli_watch.h"
#include "history/history_store.h"
#include "proving/proving_text.h"
#include "proving/zero_check.h"
#include "settings/proving_settings.h"

namespace kelvo::cli {

int RunZeroCheck(const ZeroCheckCommand& check, const Console& console) {
    const std::int64_t spanMs = std::int64_t{check.seconds} * 1000;
    // The watch spans N seconds from its first cycle; the cycle that ends it lies beyond.
    const Watch watch = WatchCycles(check.line, console, std::chrono::milliseconds(spanMs) + kLateCycles,
                                    [spanMs](const std::vector<WatchedCycle>& cycles) {
                                        return cycles.back().sample.timeMs - cycles.front().sample.timeMs >= spanMs;
                                    });
    if (const auto status = WatchFailed(watch, console.err)) return *status;

    HistoryStore history;
    history.Begin(watch.meterKind, false);
    std::optional<double> range;
    for (const WatchedCycle& cycle : watch.cycles) {
        history.Append(cycle.sample, cycle.steadyMs);
        if (cycle.flowRange) range = cycle.flowRange;
    }
    const std::int64_t from = watch.cycles.front().sample.timeMs;
    const ProvingSettings stored = LoadProvingSettings();
    ZeroLimits limits;
    limits.meanPercent = stored.zeroMeanPercent.value_or(limits.meanPercent);
    limits.deviationPercent = stored.zeroDeviationPercent.value_or(limits.deviationPercent);
    const ZeroCheck result =
        CheckZero(history.Take(), {.fromMs = from, .toMs = from + spanMs}, range.value_or(0), 0, limits);
    console.out << "零点检查 " << check.seconds << " s\n";
    for (const auto& [label, text] : ZeroRows(result)) console.out << label << "：" << text << "\n";
    switch (result.verdict) {
        case ZeroVerdict::Pass: return kExitPass;
        case ZeroVerdict::Fail: return kExitFail;
        case ZeroVerdict::TooFewCycles:
        case ZeroVerdict::Undecided: break;
    }
    return kExitNoVerdict;
}

}  // namespace kelvo::cli
