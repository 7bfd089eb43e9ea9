// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli verify: one timed verification run. The forward total of the first good polling
// cycle starts it, that of the first good cycle N seconds later ends it; those between are
// checked for a total that went backwards. It only reads.

#include <cmath>
#include <ostream>

#include "cli/cli_arguments.h"
#include "cli/cli_run.h"
#include "cli/cli_watch.h"
#include "proving/proving_text.h"
#include "proving/verification.h"
#include "vocabulary/value_tables.h"

namespace kelvo::cli {
namespace {

const WatchedCycle* FirstGood(const std::vector<WatchedCycle>& cycles) {
    for (const WatchedCycle& cycle : cycles) {
        if (cycle.forwardTotal) return &cycle;
    }
    return nullptr;
}

}  // namespace

int RunVerify(const VerifyCommand& verify, const Console& console) {
    const std::int64_t spanMs = std::int64_t{verify.seconds} * 1000;
    const Watch watch = WatchCycles(verify.line, console, std::chrono::milliseconds(spanMs) + kLateCycles,
                                    [spanMs](const std::vector<WatchedCycle>& cycles) {
                                        const WatchedCycle* start = FirstGood(cycles);
                                        return start != nullptr && cycles.back().forwardTotal &&
                                               cycles.back().steadyMs - start->steadyMs >= spanMs;
                                    });
    if (const auto status = WatchFailed(watch, console.err)) return *status;

    std::vector<TotalReading> readings;
    for (const WatchedCycle& cycle : watch.cycles) {
        if (cycle.forwardTotal) readings.push_back(*cycle.forwardTotal);
    }
    // A watch that ended Done began and ended with a good cycle.
    const WatchedCycle* start = FirstGood(watch.cycles);
    if (start == nullptr || readings.empty()) return kExitNoVerdict;
    const WatchedCycle& end = watch.cycles.back();
    const double seconds = static_cast<double>(end.steadyMs - start->steadyMs) / 1000.0;
    const ReferenceVolume reference{.value = verify.reference, .unit = verify.unit.value_or(readings.front().unit)};
    const RunResult result = EvaluateRun(readings, seconds, reference, verify.tolerancePercent);
    console.out << "开始：正向累积 " << TotalText(readings.front()) << "\n";
    console.out << "结束：正向累积 " << TotalText(readings.back()) << "\n";
    if (!result.run) {
        console.err << result.problem << "\n";
        return kExitNoVerdict;
    }
    const VerificationRun& run = *result.run;
    console.out << "时长：" << FixedText(run.durationSeconds, 1) << " s\n";
    console.out << "测得体积：" << VolumeText(run.Measured(), run.unit) << "\n";
    console.out << "参考体积：" << verify.referenceText << " " << TextAt(VolumeUnits, reference.unit);
    if (reference.unit != run.unit) console.out << "（= " << VolumeText(run.reference, run.unit) << "）";
    console.out << "\n";
    const int flowUnit = end.sample.volumeUnit * static_cast<int>(TimeUnits.size()) + end.sample.timeUnit;
    if (const auto flow = MeanFlow(run, flowUnit)) {
        console.out << "平均流量：" << FixedText(*flow, 4) << " " << FlowUnitTextAt(flowUnit) << "\n";
    }
    console.out << "误差：" << ErrorText(run) << "\n";
    console.out << "仪表系数：" << MeterFactorText(run) << "\n";
    console.out << "分辨率占比：" << PercentText(run.resolutionPercent) << "\n";
    const std::string tolerance = "允许误差 ±" + FixedText(verify.tolerancePercent, 3) + " %";
    if (run.tooShort) {
        console.out << "结论：无法判定（" << kTooShortText << "）\n";
        return kExitNoVerdict;
    }
    const bool within = std::fabs(run.errorPercent) <= verify.tolerancePercent;
    console.out << "结论：" << (within ? "合格" : "不合格") << "（" << tolerance << "）\n";
    return within ? kExitPass : kExitFail;
}

}  // namespace kelvo::cli
