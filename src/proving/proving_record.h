// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a proving visit leaves in the commissioning record and the "调试报告": the zero as
// found and as left, the verification runs as found and as left, the tolerance they were
// judged by, and the sensor factor before and after where it was corrected.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "proving/verification.h"
#include "proving/zero_check.h"

namespace kelvo {

// One watch of the zero: when it ran (wall clock, milliseconds since 1970 UTC) and what it found.
struct ZeroCheckRecord {
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    ZeroCheck check;  // its statistics, limits and verdict

    double DurationSeconds() const { return static_cast<double>(endMs - startMs) / 1000.0; }
    bool operator==(const ZeroCheckRecord&) const = default;
};

// One verification run: the forward total at its start and end, the reference as the
// technician typed it, and what the run gave (measured, error, meter factor, too short).
struct RunRecord {
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    TotalReading startTotal;
    TotalReading endTotal;
    std::string referenceText;  // the number as typed, e.g. "2.04"
    double referenceValue = 0;  // that number
    int referenceUnit = 1;      // its unit, a VolumeUnits index
    VerificationRun run;        // the reference in it converted to the total's unit

    bool operator==(const RunRecord&) const = default;
};

// The sensor factor as the meter held it before the correction and read it back after.
struct FactorChange {
    double before = 0;
    double after = 0;
    std::string beforeText;  // as the page shows them
    std::string afterText;
    std::int64_t timeMs = 0;  // when it was written

    bool operator==(const FactorChange&) const = default;
};

struct ProvingRecord {
    std::optional<ZeroCheckRecord> zeroAsFound;
    std::optional<ZeroCheckRecord> zeroAsLeft;  // after "自动调零"
    std::vector<RunRecord> runsAsFound;
    std::vector<RunRecord> runsAsLeft;  // after the correction
    double tolerancePercent = kDefaultTolerancePercent;
    std::optional<FactorChange> factor;  // none when it was not corrected

    bool Empty() const { return !zeroAsFound && !zeroAsLeft && runsAsFound.empty() && runsAsLeft.empty() && !factor; }
    bool operator==(const ProvingRecord&) const = default;
};

}  // namespace kelvo
