#pragma once
// What the trend window draws: the lines of the ticked values in the main chart, one value
// axis per unit, and a lane below it with the alarm state and a mark wherever a polling
// cycle failed. A line is drawn in pieces — a Qt Charts line joins every point it holds,
// and a gap or a unit change must stay open — from the decimated history.

#include <QObject>
#include <QString>

#include <array>
#include <map>
#include <vector>

#include "history/decimation.h"

class QChart;
class QDateTimeAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

namespace kelvo {

class TrendChart : public QObject {
    Q_OBJECT
public:
    explicit TrendChart(QObject* parent = nullptr);
    // The charts, for their views (which take them over).
    QChart* Main() const { return main_; }
    QChart* Lane() const { return lane_; }

    // Draws `drawn` (made for `columns` columns of `span`) over that span.
    void Draw(const HistoryView& view, const Decimation& drawn, TimeSpan span, int columns);
    // The pieces a value is drawn in now.
    int Pieces(SeriesId id) const;
    // The title of the value axis that shows `unit`; empty when none does.
    QString AxisTitle(const QString& unit) const;
    // Puts the lane's plot under the main plot, so that one time is one x in both (after
    // either chart was laid out anew).
    void AlignLane();

private:
    struct AxisUse;
    QLineSeries* LineOf(QChart* chart, std::vector<QLineSeries*>& lines, std::size_t index, SeriesId id,
                        QDateTimeAxis* time);
    void Trim(QChart* chart, std::vector<QLineSeries*>& lines, std::size_t keep);
    QValueAxis* AxisFor(const QString& unit);
    void PlaceAxes(const std::map<QString, AxisUse>& used);


    QChart* main_ = nullptr;
    QChart* lane_ = nullptr;
    QDateTimeAxis* time_ = nullptr;
    QDateTimeAxis* laneTime_ = nullptr;
    QValueAxis* laneLevel_ = nullptr;
    QScatterSeries* failures_ = nullptr;
    std::array<std::vector<QLineSeries*>, kSeriesCount> lines_;
    std::map<QString, QValueAxis*> axes_;  // by unit text
    TimeSpan shownSpan_;
};

}  // namespace kelvo
