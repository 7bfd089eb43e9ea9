// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a block of consecutive cycles amounts to, per series: its lowest and highest value
// and where they lie, and its count, mean and sum of squared differences. A reader of a
// long span takes whole blocks from these instead of each of their cycles — for drawing a
// column and for statistics — wherever a block is plain: every cycle good, no break of the
// line, every value a number in one unit. Anything else is read cycle by cycle.

#include <array>
#include <cstdint>

#include "history/cycle_sample.h"

namespace kelvo {

inline constexpr std::size_t kBlockSamples = 32;

struct SeriesSummary {
    double low = 0;
    double high = 0;
    std::uint16_t lowAt = 0;  // within the block
    std::uint16_t highAt = 0;
    double mean = 0;
    double squares = 0;  // of the differences from the mean
    std::uint32_t unitKey = 0;
    bool plain = false;  // every value a number, in one unit
};

struct BlockSummary {
    bool plain = false;  // every cycle good, and no break of the line
    std::array<SeriesSummary, kSeriesCount> series{};

    bool PlainFor(SeriesId id) const { return plain && series[static_cast<std::size_t>(id)].plain; }
};

BlockSummary Summarize(const CycleSample* samples);

}  // namespace kelvo
