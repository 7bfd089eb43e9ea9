// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/statistics.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvo {
namespace {

// Welford's running sums over the values less the first one: stable however many values,
// and exact to the last digit of a total even far from zero.
struct Running {
    UnitStatistics result;
    double reference = 0;
    double mean = 0;     // of the values less the reference
    double squares = 0;  // sum of squared differences from that running mean

    void Add(double value) {
        UnitStatistics& r = result;
        if (r.count == 0) {
            reference = value;
            r.minimum = r.maximum = value;
        }
        r.minimum = std::min(r.minimum, value);
        r.maximum = std::max(r.maximum, value);
        ++r.count;
        const double shifted = value - reference;
        const double delta = shifted - mean;
        mean += delta / static_cast<double>(r.count);
        squares += delta * (shifted - mean);
    }

    // A block's values at once, by the parallel form of the same sums.
    void Merge(const SeriesSummary& block) {
        UnitStatistics& r = result;
        const auto n = static_cast<double>(kBlockSamples);
        if (r.count == 0) {
            reference = block.mean;
            r.minimum = block.low;
            r.maximum = block.high;
        }
        r.minimum = std::min(r.minimum, block.low);
        r.maximum = std::max(r.maximum, block.high);
        const double before = static_cast<double>(r.count);
        r.count += kBlockSamples;
        const double delta = (block.mean - reference) - mean;
        mean += delta * n / static_cast<double>(r.count);
        squares += block.squares + delta * delta * before * n / static_cast<double>(r.count);
    }

    UnitStatistics Finish() const {
        UnitStatistics r = result;
        r.mean = reference + mean;
        r.standardDeviation = r.count > 1 ? std::sqrt(squares / static_cast<double>(r.count - 1)) : 0.0;
        return r;
    }
};

}  // namespace

SeriesStatistics Statistics(const HistoryView& view, SeriesId id, TimeSpan span) {
    const std::array<SeriesId, 1> one = {id};
    return std::move(Statistics(view, one, span).front());
}

namespace {

Running& UnitOf(std::vector<Running>& kept, std::uint32_t key, const CycleSample& sample, SeriesId id) {
    // The unit of the cycle before is by far the likeliest.
    if (!kept.empty() && kept.back().result.unitKey == key) return kept.back();
    const auto found = std::find_if(kept.begin(), kept.end(), [key](const Running& r) { return r.result.unitKey == key; });
    if (found != kept.end()) return *found;
    return kept.emplace_back(Running{.result = {.unitKey = key, .unit = UnitText(sample, id)}});
}

void AddSample(SeriesStatistics& statistics, std::vector<Running>& kept, const CycleSample& sample) {
    if (!sample.Good()) {
        ++statistics.failedCycles;
        return;
    }
    const double value = ValueOf(sample, statistics.id);
    if (!std::isfinite(value)) {
        ++statistics.notNumbers;
        return;
    }
    UnitOf(kept, UnitKey(sample, statistics.id), sample, statistics.id).Add(value);
}

}  // namespace

std::vector<SeriesStatistics> Statistics(const HistoryView& view, std::span<const SeriesId> ids, TimeSpan span) {
    std::vector<SeriesStatistics> statistics;
    std::vector<std::vector<Running>> units(ids.size());
    for (const SeriesId id : ids) statistics.push_back({.id = id, .units = {}});
    std::size_t index = view.LowerBound(span.fromMs);
    while (index < view.Size() && view[index].timeMs < span.toMs) {
        // A plain block wholly inside the span counts at once.
        const BlockSummary* block = view.BlockAt(index);
        if (block != nullptr && block->plain && view[index + kBlockSamples - 1].timeMs < span.toMs) {
            for (std::size_t s = 0; s < ids.size(); ++s) {
                if (block->PlainFor(ids[s])) {
                    const SeriesSummary& summary = block->series[static_cast<std::size_t>(ids[s])];
                    UnitOf(units[s], summary.unitKey, view[index], ids[s]).Merge(summary);
                } else {
                    for (std::size_t i = 0; i < kBlockSamples; ++i) AddSample(statistics[s], units[s], view[index + i]);
                }
            }
            index += kBlockSamples;
            continue;
        }
        for (std::size_t s = 0; s < ids.size(); ++s) AddSample(statistics[s], units[s], view[index]);
        ++index;
    }
    for (std::size_t s = 0; s < ids.size(); ++s) {
        for (const Running& unit : units[s]) statistics[s].units.push_back(unit.Finish());
    }
    return statistics;
}

}  // namespace kelvo
