#include "history/decimation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace kelvo {
namespace {

std::int64_t FloorDivide(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t quotient = numerator / denominator;
    return (numerator % denominator != 0 && (numerator < 0) != (denominator < 0)) ? quotient - 1 : quotient;
}

// The samples of one column of one series that a line must pass through to look as the
// values were: the first, the lowest, the highest and the last.
struct ColumnExtremes {
    std::int64_t column = 0;
    std::size_t first = 0, lowest = 0, highest = 0, last = 0;
    double lowValue = 0, highValue = 0;
    bool empty = true;

    void Add(std::size_t index, double value) {
        if (empty) {
            first = lowest = highest = index;
            lowValue = highValue = value;
            empty = false;
        }
        if (value < lowValue) {
            lowValue = value;
            lowest = index;
        }
        if (value > highValue) {
            highValue = value;
            highest = index;
        }
        last = index;
    }
};

struct SeriesState {
    SeriesId id{};
    DecimatedSeries out;
    std::optional<std::size_t> piece;  // the piece being drawn
    ColumnExtremes column;
    bool gapSince = false;  // a failed cycle or a break since the last good value
};

void Flush(SeriesState& state, const HistoryView& view) {
    if (state.column.empty || !state.piece) return;
    const ColumnExtremes& c = state.column;
    std::array<std::size_t, 4> order = {c.first, c.lowest, c.highest, c.last};
    std::sort(order.begin(), order.end());
    const auto distinct = std::unique(order.begin(), order.end());
    auto& points = state.out.pieces[*state.piece].points;
    for (auto index = order.begin(); index != distinct; ++index) {
        points.push_back({view[*index].timeMs, ValueOf(view[*index], state.id)});
    }
    state.column = {};
}

}  // namespace

Decimation Decimate(const HistoryView& view, std::span<const SeriesId> series, TimeSpan span, int columns) {
    Decimation result;
    if (columns <= 0 || span.Length() <= 0) return result;
    const std::size_t inside = view.LowerBound(span.fromMs);
    const std::size_t after = view.LowerBound(span.toMs);
    const std::size_t begin = inside > 0 ? inside - 1 : inside;
    const std::size_t end = std::min(after + 1, view.Size());
    const auto columnOf = [&](std::int64_t timeMs) { return FloorDivide((timeMs - span.fromMs) * columns, span.Length()); };

    std::vector<SeriesState> states;
    states.reserve(series.size());
    for (const SeriesId id : series) {
        SeriesState& state = states.emplace_back();
        state.id = state.out.id = id;
    }

    std::optional<std::int64_t> lastFailedColumn;
    for (std::size_t index = begin; index < end; ++index) {
        const CycleSample& sample = view[index];
        const std::int64_t column = columnOf(sample.timeMs);
        if (!sample.Good() || sample.breakBefore) {
            for (SeriesState& state : states) state.gapSince = true;
        }
        if (!sample.Good()) {
            if (column >= 0 && column < columns && lastFailedColumn != column) {
                result.failedColumns.push_back(span.fromMs + (2 * column + 1) * span.Length() / (2 * columns));
                lastFailedColumn = column;
            }
            continue;
        }
        for (SeriesState& state : states) {
            const double value = ValueOf(sample, state.id);
            if (!std::isfinite(value)) {
                state.gapSince = true;
                continue;
            }
            const std::uint32_t unit = UnitKey(sample, state.id);
            if (state.piece) {
                const DrawnPiece& piece = state.out.pieces[*state.piece];
                const std::int64_t lastColumn = state.column.empty ? column : state.column.column;
                if (piece.unitKey != unit || (state.gapSince && column - lastColumn >= 2)) {
                    Flush(state, view);
                    state.piece.reset();
                }
            }
            if (!state.piece) {
                state.out.pieces.push_back({.unitKey = unit, .firstSample = index, .points = {}});
                state.piece = state.out.pieces.size() - 1;
            } else if (!state.column.empty && state.column.column != column) {
                Flush(state, view);
            }
            if (state.column.empty) state.column.column = column;
            state.column.Add(index, value);
            state.gapSince = false;
        }
    }
    for (SeriesState& state : states) {
        Flush(state, view);
        result.series.push_back(std::move(state.out));
    }
    return result;
}

}  // namespace kelvo
