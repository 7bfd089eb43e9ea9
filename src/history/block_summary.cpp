// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/block_summary.h"

#include <cmath>

namespace kelvo {

BlockSummary Summarize(const CycleSample* samples) {
    BlockSummary block;
    block.plain = true;
    for (std::size_t i = 0; i < kBlockSamples; ++i) {
        if (!samples[i].Good() || samples[i].breakBefore) block.plain = false;
    }
    if (!block.plain) return block;
    for (const SeriesInfo& info : kSeries) {
        SeriesSummary& s = block.series[static_cast<std::size_t>(info.id)];
        s.plain = true;
        s.unitKey = UnitKey(samples[0], info.id);
        // Welford's sums over the values less the first, as the statistics keep them.
        const double reference = ValueOf(samples[0], info.id);
        double shiftedMean = 0;
        for (std::size_t i = 0; i < kBlockSamples && s.plain; ++i) {
            const double value = ValueOf(samples[i], info.id);
            if (!std::isfinite(value) || UnitKey(samples[i], info.id) != s.unitKey) {
                s.plain = false;
                break;
            }
            if (i == 0 || value < s.low) {
                s.low = value;
                s.lowAt = static_cast<std::uint16_t>(i);
            }
            if (i == 0 || value > s.high) {
                s.high = value;
                s.highAt = static_cast<std::uint16_t>(i);
            }
            const double delta = (value - reference) - shiftedMean;
            shiftedMean += delta / static_cast<double>(i + 1);
            s.squares += delta * ((value - reference) - shiftedMean);
        }
        s.mean = reference + shiftedMean;
    }
    return block;
}

}  // namespace kelvo
