// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a chart draws of a span of the history on a number of pixel columns: for each
// series the true minimum and maximum of every column (never a thinned sample, which would
// hide a spike), as points at the times they occurred, in pieces that a line may join.
// Two points a column at most, whatever the span holds.
// A piece ends where the line must not go on: at a failed cycle or a break of the line
// that leaves at least one column between the good samples on either side, and at a
// change of the series' unit. A gap narrower than a column cannot be drawn as one; the
// columns holding failed cycles are listed, so that a chart can mark them anyway.

#include <cstdint>
#include <span>
#include <vector>

#include "history/history_store.h"

namespace kelvo {

struct DrawnPoint {
    std::int64_t timeMs;
    double value;

    bool operator==(const DrawnPoint&) const = default;
};

struct DrawnPiece {
    std::uint32_t unitKey = 0;
    std::size_t firstSample = 0;  // in the view: the first sample of the piece, for its unit
    std::vector<DrawnPoint> points;
};

struct DecimatedSeries {
    SeriesId id{};
    std::vector<DrawnPiece> pieces;
};

struct Decimation {
    std::vector<DecimatedSeries> series;  // in the order asked for
    // The middle of every column that holds a failed cycle, in time order.
    std::vector<std::int64_t> failedColumns;
};

// Draws `span` on `columns` columns. The good samples just outside the span are drawn too,
// where the line runs on to them, so that it reaches the edges. Values that are no numbers
// (a float the meter sent as NaN or infinity) are left out. Nothing for an empty span or no
// columns.
Decimation Decimate(const HistoryView& view, std::span<const SeriesId> series, TimeSpan span, int columns);

}  // namespace kelvo
