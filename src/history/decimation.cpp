// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/decimation.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace kelvo {
namespace {

std::int64_t FloorDivide(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t quotient = numerator / denominator;
    return (numerator % denominator != 0 && (numerator < 0) != (denominator < 0)) ? quotient - 1 : quotient;
}

// The samples of one column of one series that its line passes through: the lowest and
// the highest, which a pixel column shows as its extent.
struct ColumnExtremes {
    std::int64_t column = 0;
    std::size_t lowest = 0, highest = 0;
    double lowValue = 0, highValue = 0;
    bool empty = true;

    void Add(std::size_t index, double value) {
        if (empty) {
            lowest = highest = index;
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
    auto& points = state.out.pieces[*state.piece].points;
    // In the order they came, so that the line runs through time.
    const std::size_t first = std::min(c.lowest, c.highest);
    const std::size_t second = std::max(c.lowest, c.highest);
    points.push_back({view[first].timeMs, first == c.lowest ? c.lowValue : c.highValue});
    if (second != first) points.push_back({view[second].timeMs, second == c.lowest ? c.lowValue : c.highValue});
    state.column = {};
}

// One good value of a series at `index`, in `column`: a new piece where the line must not
// go on, a new column where the last one ends.
void AddValue(SeriesState& state, const HistoryView& view, std::size_t index, double value, std::uint32_t unit,
              std::int64_t column) {
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

// A whole block inside one column goes in as its lowest and highest values, where it is
// plain for every series drawn.
bool AddBlock(std::vector<SeriesState>& states, const HistoryView& view, std::size_t index, std::int64_t column) {
    const BlockSummary* block = view.BlockAt(index);
    if (block == nullptr) return false;
    for (const SeriesState& state : states) {
        if (!block->PlainFor(state.id)) return false;
    }
    for (SeriesState& state : states) {
        const SeriesSummary& summary = block->series[static_cast<std::size_t>(state.id)];
        const bool lowFirst = summary.lowAt <= summary.highAt;
        AddValue(state, view, index + (lowFirst ? summary.lowAt : summary.highAt),
                 lowFirst ? summary.low : summary.high, summary.unitKey, column);
        AddValue(state, view, index + (lowFirst ? summary.highAt : summary.lowAt),
                 lowFirst ? summary.high : summary.low, summary.unitKey, column);
    }
    return true;
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
    for (std::size_t index = begin; index < end;) {
        const CycleSample& sample = view[index];
        const std::int64_t column = columnOf(sample.timeMs);
        if (index + kBlockSamples <= end && column == columnOf(view[index + kBlockSamples - 1].timeMs) &&
            AddBlock(states, view, index, column)) {
            index += kBlockSamples;
            continue;
        }
        ++index;
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
            AddValue(state, view, index - 1, value, UnitKey(sample, state.id), column);
        }
    }
    for (SeriesState& state : states) {
        Flush(state, view);
        result.series.push_back(std::move(state.out));
    }
    return result;
}

}  // namespace kelvo
