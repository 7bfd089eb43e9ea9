// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Statistics of a series over any span of the history: count, minimum, maximum, mean and
// standard deviation of the values the meter sent. A failed cycle is a missing value,
// never a zero; a span in which the value changed its unit is reported per unit, since
// numbers of two units cannot be averaged together.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "history/history_store.h"

namespace kelvo {

struct UnitStatistics {
    std::uint32_t unitKey = 0;
    std::string unit;  // its text, e.g. "m3/h"
    std::size_t count = 0;
    double minimum = 0;
    double maximum = 0;
    double mean = 0;
    // Of the values as a sample (divided by n − 1); 0 for a single value.
    double standardDeviation = 0;
};

struct SeriesStatistics {
    SeriesId id{};
    std::vector<UnitStatistics> units;  // in the order the units first appear in the span
    std::size_t failedCycles = 0;       // in the span
    std::size_t notNumbers = 0;         // good cycles whose float was NaN or infinite: left out

    bool Mixed() const { return units.size() > 1; }
};

// Stable however many values and however far from zero they lie.
SeriesStatistics Statistics(const HistoryView& view, SeriesId id, TimeSpan span);
// The same for several series in one pass over the span, in the order asked for.
std::vector<SeriesStatistics> Statistics(const HistoryView& view, std::span<const SeriesId> ids, TimeSpan span);

}  // namespace kelvo
