#include "history/statistics.h"

#include <algorithm>
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

    UnitStatistics Finish() const {
        UnitStatistics r = result;
        r.mean = reference + mean;
        r.standardDeviation = r.count > 1 ? std::sqrt(squares / static_cast<double>(r.count - 1)) : 0.0;
        return r;
    }
};

}  // namespace

SeriesStatistics Statistics(const HistoryView& view, SeriesId id, TimeSpan span) {
    SeriesStatistics statistics{.id = id, .units = {}};
    std::vector<Running> units;
    for (std::size_t index = view.LowerBound(span.fromMs); index < view.Size(); ++index) {
        const CycleSample& sample = view[index];
        if (sample.timeMs >= span.toMs) break;
        if (!sample.Good()) {
            ++statistics.failedCycles;
            continue;
        }
        const double value = ValueOf(sample, id);
        if (!std::isfinite(value)) {
            ++statistics.notNumbers;
            continue;
        }
        const std::uint32_t key = UnitKey(sample, id);
        auto unit = std::find_if(units.begin(), units.end(), [key](const Running& r) { return r.result.unitKey == key; });
        if (unit == units.end()) {
            units.push_back({.result = {.unitKey = key, .unit = UnitText(sample, id)}});
            unit = units.end() - 1;
        }
        unit->Add(value);
    }
    for (const Running& unit : units) statistics.units.push_back(unit.Finish());
    return statistics;
}

}  // namespace kelvo
