// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/trend/trend_chart.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace kelvo {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString ClockText(std::int64_t timeMs) { return QDateTime::fromMSecsSinceEpoch(timeMs).toString("HH:mm:ss"); }

// What the drawn pieces of one unit ask of its axis.
struct AxisUse {
    std::size_t order = 0;  // the axis' place: first used, first placed
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    QString label;  // of a value without a unit
    // Where a value changed its unit in the span: the stretches in which this unit holds.
    std::vector<std::pair<std::int64_t, std::int64_t>> stretches;
};

TrendAxis AxisOf(const QString& unit, const AxisUse& use) {
    // A flat line sits in the middle of its axis rather than on its edge.
    const double pad =
        use.high > use.low ? (use.high - use.low) * 0.05 : std::max(std::abs(use.high) * 0.05, 0.5);
    QString title = unit.isEmpty() ? use.label : unit;
    QStringList where;
    for (const auto& [from, to] : use.stretches) where << ClockText(from) + QStringLiteral("–") + ClockText(to);
    if (!where.isEmpty()) title += QStringLiteral("（") + where.join(QStringLiteral("，")) + QStringLiteral("）");
    return {.unit = unit, .title = title, .low = use.low - pad, .high = use.high + pad};
}

}  // namespace

TrendChart::TrendChart(QObject* parent) : QObject(parent) {}

void TrendChart::Draw(const HistoryView& view, const Decimation& drawn, TimeSpan span, int columns) {
    std::array<std::vector<TrendPiece>, kSeriesCount> pieces;
    std::vector<SeriesId> ticked;
    std::map<QString, AxisUse> used;
    for (const DecimatedSeries& series : drawn.series) {
        ticked.push_back(series.id);
        auto& lines = pieces[static_cast<std::size_t>(series.id)];
        // A value that changed its unit in the span says on each axis where its unit holds.
        bool unitChanged = false;
        for (const DrawnPiece& piece : series.pieces) unitChanged |= piece.unitKey != series.pieces.front().unitKey;
        for (std::size_t k = 0; k < series.pieces.size(); ++k) {
            const DrawnPiece& piece = series.pieces[k];
            if (piece.points.empty()) continue;
            const QString unit = Text(UnitText(view[piece.firstSample], series.id));
            lines.push_back({.unit = unit, .points = piece.points});
            if (InLane(series.id)) continue;
            const auto [place, added] = used.try_emplace(unit);
            AxisUse& use = place->second;
            if (added) use.order = used.size() - 1;
            for (const DrawnPoint& point : piece.points) {
                use.low = std::min(use.low, point.value);
                use.high = std::max(use.high, point.value);
            }
            if (unit.isEmpty()) use.label = Text(InfoOf(series.id).label);
            // A piece after a gap in the same unit goes on with the stretch before it.
            const bool sameUnitAsBefore = k > 0 && series.pieces[k - 1].unitKey == piece.unitKey;
            if (unitChanged && sameUnitAsBefore && !use.stretches.empty()) {
                use.stretches.back().second = piece.points.back().timeMs;
            } else if (unitChanged) {
                use.stretches.emplace_back(piece.points.front().timeMs, piece.points.back().timeMs);
            }
        }
    }
    std::vector<TrendAxis> axes(used.size());
    for (const auto& [unit, use] : used) axes[use.order] = AxisOf(unit, use);

    // A new cycle seldom moves a column's extremes: a frame like the last is not painted again.
    if (span.fromMs == span_.fromMs && span.toMs == span_.toMs && columns == columns_ && ticked == ticked_ && pieces == pieces_ &&
        axes == axes_ && drawn.failedColumns == failedColumns_) {
        return;
    }
    span_ = span;
    columns_ = columns;
    ticked_ = std::move(ticked);
    pieces_ = std::move(pieces);
    axes_ = std::move(axes);
    failedColumns_ = drawn.failedColumns;
    emit changed();
}

int TrendChart::Pieces(SeriesId id) const { return static_cast<int>(PiecesOf(id).size()); }

QString TrendChart::AxisTitle(const QString& unit) const {
    const auto found = std::find_if(axes_.begin(), axes_.end(), [&](const TrendAxis& axis) { return axis.unit == unit; });
    return found != axes_.end() ? found->title : QString();
}

}  // namespace kelvo
