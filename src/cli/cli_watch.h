// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What zero-check and verify share: connect as the main window does, poll the meter, and
// keep every cycle that ran to its end until the command has seen enough. Nothing is
// written to the meter.

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <vector>

#include "cli/cli_arguments.h"
#include "cli/cli_run.h"
#include "history/cycle_sample.h"
#include "proving/verification.h"

namespace kelvo::cli {

struct WatchedCycle {
    std::int64_t steadyMs = 0;  // since the steady clock's epoch
    CycleSample sample;         // at its wall-clock time; its flow when good
    // Of a good cycle only: the forward total as the meter holds it, and the flow range.
    std::optional<TotalReading> forwardTotal;
    std::optional<double> flowRange;  // in the flow unit
};

enum class WatchEnd {
    Done,         // the command saw enough
    Interrupted,  // Ctrl+C
    NotPolled,    // the port would not open, or the meter did not say who it is (said on `err`)
    Lost,         // polling ended or the limit passed before the command saw enough
};

struct Watch {
    WatchEnd end = WatchEnd::NotPolled;
    int meterKind = 0;
    std::vector<WatchedCycle> cycles;  // in their order, from the first after the identification
};

// Polls until `enough` says so of the cycles so far (asked after every cycle, on the line's
// worker, under the watch's lock), or `limit` after the identification (Lost), or the
// watch ends otherwise.
using Enough = std::function<bool(const std::vector<WatchedCycle>&)>;
Watch WatchCycles(const PortOptions& line, const Console& console, std::chrono::milliseconds limit,
                  const Enough& enough);

// How much longer than its length a watch may take for the cycles to come.
inline constexpr std::chrono::seconds kLateCycles{10};

// What a watch that did not see enough tells the user, and its exit status; nullopt for
// one that did.
std::optional<int> WatchFailed(const Watch& watch, std::ostream& err);

}  // namespace kelvo::cli
