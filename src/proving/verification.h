// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The arithmetic of a verification run: the volume the meter totalised between two
// readings of its forward total, against a reference volume (a prover, a weighing tank, a
// master meter). The total is taken as the meter holds it — whole units and thousandths —
// and its increase is computed exactly, in thousandths; only the ratios are real numbers.
// A run whose total went backwards or changed its unit gives no number at all.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kelvo {

// One reading of the forward total: the two registers pairs as the meter sends them and
// the index of its unit in VolumeUnits (register 117).
struct TotalReading {
    std::int32_t whole = 0;
    std::int32_t thousandths = 0;
    int unit = 1;

    bool operator==(const TotalReading&) const = default;
};

// The volume the technician measured by other means, in a unit of VolumeUnits.
struct ReferenceVolume {
    double value = 0;
    int unit = 1;
};

inline constexpr double kDefaultTolerancePercent = 0.5;

struct VerificationRun {
    std::int64_t measuredThousandths = 0;  // end − start, in thousandths of `unit`
    int unit = 1;                          // the total's unit, VolumeUnits index
    double durationSeconds = 0;
    double reference = 0;                  // in the total's unit
    double errorPercent = 0;               // (measured − reference) ÷ reference × 100
    std::optional<double> meterFactor;     // reference ÷ measured; none when nothing was measured
    // The total's resolution (0.001 of its unit) as a share of the measured volume, in
    // percent; none when nothing was measured.
    std::optional<double> resolutionPercent;
    // The resolution exceeds a tenth of the tolerance (or nothing was measured): the run
    // is too short to say anything within the tolerance.
    bool tooShort = false;

    double Measured() const { return static_cast<double>(measuredThousandths) / 1000.0; }
    bool operator==(const VerificationRun&) const = default;
};

struct RunResult {
    std::optional<VerificationRun> run;
    std::string problem;  // why there is no run
};

// One run from readings of the forward total: the start first, the end last, and those
// polled in between in their order (each is checked against the one before). The
// duration in seconds, the tolerance in percent.
RunResult EvaluateRun(std::span<const TotalReading> readings, double durationSeconds,
                      const ReferenceVolume& reference, double tolerancePercent = kDefaultTolerancePercent);

// `value` in unit `from` expressed in unit `to` (VolumeUnits indices). Volumes convert
// among themselves, masses among themselves; nullopt between a volume and a mass (that
// takes a density) or for an index outside the table.
std::optional<double> ConvertVolume(double value, int from, int to);

// The mean flow of a run from its total and its duration, in the flow unit `flowUnit`
// (FlowUnitTexts index: volume unit × 3 + time unit); nullopt when the total's unit does
// not convert to the flow's volume unit.
std::optional<double> MeanFlow(const VerificationRun& run, int flowUnit);

struct RunsSummary {
    int runs = 0;
    double meanErrorPercent = 0;
    double repeatabilityPercent = 0;       // the largest error minus the smallest
    std::int64_t measuredThousandths = 0;  // of all runs, for a correction
    double reference = 0;                  // of all runs, in their unit
    int unit = 1;

    bool WithinTolerance(double tolerancePercent) const;
};

// nullopt without runs, or for runs whose totals were kept in different units.
std::optional<RunsSummary> Summarise(std::span<const VerificationRun> runs);

}  // namespace kelvo
