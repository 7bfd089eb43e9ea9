// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The zero of a flow meter: with the pipe full and the valves shut, the flow the meter
// reads over a watch of the polled cycles — its mean, spread and extremes, and the mean as
// a share of the flow range — judged against limits. A failed cycle is a missing value,
// never a zero; a watch with too few good cycles gets no pass or fail at all.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "history/history_store.h"

namespace kelvo {

// What an electromagnetic flow meter's zero may do, each in percent of its flow range:
// such meters hold their zero to about ±0.5 % of full scale, so a mean or a
// spread beyond that means the zero wants an "自动调零" (or the pipe is not still).
inline constexpr double kDefaultZeroMeanPercent = 0.5;
inline constexpr double kDefaultZeroDeviationPercent = 0.5;
// Fewer good cycles than this share of those expected, or than the count, say too little.
inline constexpr double kDefaultZeroGoodSharePercent = 80.0;
inline constexpr std::size_t kDefaultZeroMinimumGoodCycles = 10;
inline constexpr int kDefaultZeroSeconds = 60;

struct ZeroLimits {
    double meanPercent = kDefaultZeroMeanPercent;            // |mean| ≤ this % of the range
    double deviationPercent = kDefaultZeroDeviationPercent;  // standard deviation ≤ this % of the range
    double goodSharePercent = kDefaultZeroGoodSharePercent;  // of the cycles expected
    std::size_t minimumGoodCycles = kDefaultZeroMinimumGoodCycles;

    bool operator==(const ZeroLimits&) const = default;
};

struct ZeroStatistics {
    std::size_t goodCycles = 0;
    std::size_t missingCycles = 0;  // failed, or their flow no number
    std::size_t expectedCycles = 0;
    double mean = 0;  // in `unit`; these four only with good cycles
    double standardDeviation = 0;
    double minimum = 0;  // flows the meter sent, single floats
    double maximum = 0;
    std::string unit;  // the flow's unit, e.g. "m3/h"
    double range = 0;  // the flow range, in the same unit
    // Of the range, in percent; none without good cycles or without a range.
    std::optional<double> meanPercent;
    std::optional<double> deviationPercent;

    bool operator==(const ZeroStatistics&) const = default;
};

enum class ZeroVerdict { Pass, Fail, TooFewCycles, Undecided };

struct ZeroCheck {
    ZeroStatistics statistics;
    ZeroLimits limits;
    ZeroVerdict verdict = ZeroVerdict::TooFewCycles;
    // Why the verdict is what it is, e.g. which limit was exceeded, or why there is none.
    std::string reason;

    bool operator==(const ZeroCheck&) const = default;
};

// The check over the cycles of `span` in the view. `range` is the meter's flow range in
// its flow unit. `expectedCycles` is how many cycles the watch should have had (its length
// over the polling interval); 0 takes the cycles that are there. A flow that changed its
// unit within the span, or a range that is not above zero, is Undecided.
ZeroCheck CheckZero(const HistoryView& view, TimeSpan span, double range, std::size_t expectedCycles,
                    const ZeroLimits& limits = {});

// "合格", "不合格", "有效数据不足", "无法判定"
std::string_view VerdictText(ZeroVerdict verdict);

}  // namespace kelvo
