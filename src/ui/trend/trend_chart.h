// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the trend draws, apart from how: the lines of the ticked values, one value axis per
// unit, and for the lane below the plot the alarm state and the columns in which a polling
// cycle failed. A line is kept in pieces, from the decimated history: a gap and a unit
// change leave it open, and nothing ever joins one piece to the next.

#include <QObject>
#include <QString>

#include <array>
#include <vector>

#include "history/decimation.h"

namespace kelvo {

struct TrendPiece {
    QString unit;
    std::vector<DrawnPoint> points;  // a column's lowest and highest, in time order

    bool operator==(const TrendPiece&) const = default;
};

struct TrendAxis {
    QString unit;
    QString title;  // the unit, or the value's name without one; where it holds when it changed
    double low = 0;
    double high = 1;

    bool operator==(const TrendAxis&) const = default;
};

class TrendChart : public QObject {
    Q_OBJECT
public:
    explicit TrendChart(QObject* parent = nullptr);

    // Takes `drawn` (made for `columns` columns of `span`) as what is shown over that span.
    void Draw(const HistoryView& view, const Decimation& drawn, TimeSpan span, int columns);
    // The pieces a value is drawn in now.
    int Pieces(SeriesId id) const;
    // The title of the value axis that shows `unit`; empty when none does.
    QString AxisTitle(const QString& unit) const;

    // For the painting.
    TimeSpan Span() const { return span_; }
    int Columns() const { return columns_; }
    // The values ticked, in the order they were asked for, drawn or not.
    const std::vector<SeriesId>& Ticked() const { return ticked_; }
    const std::vector<TrendPiece>& PiecesOf(SeriesId id) const { return pieces_[static_cast<std::size_t>(id)]; }
    // In the order the values come, each unit once: they take turns left and right of the plot.
    const std::vector<TrendAxis>& Axes() const { return axes_; }
    const std::vector<std::int64_t>& FailedColumns() const { return failedColumns_; }
    // Drawn in the lane rather than the plot.
    static bool InLane(SeriesId id) { return id == SeriesId::Alarm; }

signals:
    // Something drawn is different: the views paint anew.
    void changed();

private:
    TimeSpan span_;
    int columns_ = 0;
    std::vector<SeriesId> ticked_;
    std::array<std::vector<TrendPiece>, kSeriesCount> pieces_;
    std::vector<TrendAxis> axes_;
    std::vector<std::int64_t> failedColumns_;
};

}  // namespace kelvo
