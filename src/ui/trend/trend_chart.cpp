#include "ui/trend/trend_chart.h"

#include <QDateTime>
#include <QList>
#include <QPen>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <limits>

#include "history/csv_format.h"  // LocalDate

namespace kelvo {

namespace {

// One colour for each value, the same in every span.
constexpr std::array<QRgb, kSeriesCount> kColours = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0x9467bd, 0x8c564b, 0xe377c2,
                                                     0xd62728, 0xbcbd22, 0x17becf, 0x7f7f7f, 0x393b79, 0x637939};
// The alarm lane: 0 without an alarm, 1 with one; the failure marks below.
constexpr double kLaneLow = -0.6;
constexpr double kLaneHigh = 1.3;
constexpr double kFailureMark = -0.35;

QString Text(const std::string& text) { return QString::fromStdString(text); }

QString ClockText(std::int64_t timeMs) { return QDateTime::fromMSecsSinceEpoch(timeMs).toString("HH:mm:ss"); }

// The time axis shows the date once the span reaches over midnight.
QString TimeFormat(TimeSpan span) {
    if (LocalDate(span.fromMs) != LocalDate(span.toMs - 1)) return QStringLiteral("MM-dd HH:mm");
    return span.Length() <= 15 * 60 * 1000 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
}

void ConfigureTimeAxis(QDateTimeAxis* axis, TimeSpan span) {
    if (const QString format = TimeFormat(span); axis->format() != format) axis->setFormat(format);
    axis->setRange(QDateTime::fromMSecsSinceEpoch(span.fromMs), QDateTime::fromMSecsSinceEpoch(span.toMs));
}

QChart* MakeChart() {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

// A piece's points; a single value shows as a dash one column wide.
QList<QPointF> PointsOf(const DrawnPiece& piece, double columnMs) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(std::max<std::size_t>(piece.points.size(), 2)));
    for (const DrawnPoint& point : piece.points) points.append(QPointF(static_cast<double>(point.timeMs), point.value));
    if (points.size() == 1) {
        const QPointF only = points.front();
        points = {QPointF(only.x() - columnMs / 2, only.y()), QPointF(only.x() + columnMs / 2, only.y())};
    }
    return points;
}

}  // namespace

// What the drawn pieces of one unit ask of its axis.
struct TrendChart::AxisUse {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    QString label;  // of a value without a unit
    // Where a value changed its unit in the span: the stretches in which this unit holds.
    std::vector<std::pair<std::int64_t, std::int64_t>> stretches;
};

TrendChart::TrendChart(QObject* parent) : QObject(parent), main_(MakeChart()), lane_(MakeChart()) {
    main_->setObjectName(QStringLiteral("trendMainChart"));
    lane_->setObjectName(QStringLiteral("trendLaneChart"));
    time_ = new QDateTimeAxis;
    main_->addAxis(time_, Qt::AlignBottom);
    // The lane's axes only place its marks under the main plot; they draw nothing themselves.
    laneTime_ = new QDateTimeAxis;
    laneTime_->setLabelsVisible(false);
    laneTime_->setGridLineVisible(false);
    laneTime_->setLineVisible(false);
    lane_->addAxis(laneTime_, Qt::AlignBottom);
    laneLevel_ = new QValueAxis;
    laneLevel_->setRange(kLaneLow, kLaneHigh);
    laneLevel_->setLabelsVisible(false);
    laneLevel_->setGridLineVisible(false);
    laneLevel_->setLineVisible(false);
    lane_->addAxis(laneLevel_, Qt::AlignLeft);
    failures_ = new QScatterSeries;
    failures_->setObjectName(QStringLiteral("trendFailures"));
    failures_->setName(QStringLiteral("通讯中断"));
    failures_->setColor(QColor(200, 0, 0));
    failures_->setBorderColor(QColor(200, 0, 0));
    failures_->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    failures_->setMarkerSize(5);
    lane_->addSeries(failures_);
    failures_->attachAxis(laneTime_);
    failures_->attachAxis(laneLevel_);
    connect(main_, &QChart::plotAreaChanged, this, &TrendChart::AlignLane);
}

QLineSeries* TrendChart::LineOf(QChart* chart, std::vector<QLineSeries*>& lines, std::size_t index, SeriesId id,
                                QDateTimeAxis* time) {
    while (lines.size() <= index) {
        auto* line = new QLineSeries;
        line->setObjectName(QStringLiteral("trend_") + QString::fromUtf8(InfoOf(id).name.data(),
                                                                          static_cast<qsizetype>(InfoOf(id).name.size())));
        // A pen of one pixel is the raster engine's fast path: thousands of points a frame.
        line->setPen(QPen(QColor(kColours[static_cast<std::size_t>(id)]), 1));
        chart->addSeries(line);
        line->attachAxis(time);
        lines.push_back(line);
    }
    return lines[index];
}

void TrendChart::Trim(QChart* chart, std::vector<QLineSeries*>& lines, std::size_t keep) {
    while (lines.size() > keep) {
        QLineSeries* line = lines.back();
        lines.pop_back();
        chart->removeSeries(line);
        delete line;
    }
}

QValueAxis* TrendChart::AxisFor(const QString& unit) {
    if (const auto found = axes_.find(unit); found != axes_.end()) return found->second;
    auto* axis = new QValueAxis;
    axis->setObjectName(QStringLiteral("trendAxis_") + unit);
    // Axes take turns left and right, so that each keeps its labels readable.
    main_->addAxis(axis, axes_.size() % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
    axes_.emplace(unit, axis);
    return axis;
}

void TrendChart::PlaceAxes(const std::map<QString, AxisUse>& used) {
    for (auto axis = axes_.begin(); axis != axes_.end();) {
        if (used.count(axis->first) != 0) {
            ++axis;
            continue;
        }
        main_->removeAxis(axis->second);
        delete axis->second;
        axis = axes_.erase(axis);
    }
    for (const auto& [unit, use] : used) {
        QValueAxis* axis = AxisFor(unit);
        double low = use.low;
        double high = use.high;
        const double pad = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.05, 0.5);
        axis->setRange(low - pad, high + pad);
        QString title = unit.isEmpty() ? use.label : unit;
        QStringList where;
        for (const auto& [from, to] : use.stretches) where << ClockText(from) + QStringLiteral("–") + ClockText(to);
        if (!where.isEmpty()) title += QStringLiteral("（") + where.join(QStringLiteral("，")) + QStringLiteral("）");
        axis->setTitleText(title);
    }
}

void TrendChart::Draw(const HistoryView& view, const Decimation& drawn, TimeSpan span, int columns) {
    // A new range maps every line anew: only when the span moved.
    if (span.fromMs != shownSpan_.fromMs || span.toMs != shownSpan_.toMs) {
        ConfigureTimeAxis(time_, span);
        ConfigureTimeAxis(laneTime_, span);
        shownSpan_ = span;
    }
    const double columnMs = columns > 0 ? static_cast<double>(span.Length()) / columns : 0.0;

    std::map<QString, AxisUse> used;
    std::array<bool, kSeriesCount> shown{};
    std::vector<std::pair<QLineSeries*, QString>> placed;
    for (const DecimatedSeries& series : drawn.series) {
        const auto slot = static_cast<std::size_t>(series.id);
        shown[slot] = true;
        const bool alarm = series.id == SeriesId::Alarm;
        QChart* chart = alarm ? lane_ : main_;
        // A value that changed its unit in the span says on each axis where its unit holds.
        bool unitChanged = false;
        for (const DrawnPiece& piece : series.pieces) unitChanged |= piece.unitKey != series.pieces.front().unitKey;
        for (std::size_t k = 0; k < series.pieces.size(); ++k) {
            const DrawnPiece& piece = series.pieces[k];
            // A piece after a gap in the same unit goes on with the stretch before it.
            const bool sameUnitAsBefore = k > 0 && series.pieces[k - 1].unitKey == piece.unitKey;
            QLineSeries* line = LineOf(chart, lines_[slot], k, series.id, alarm ? laneTime_ : time_);
            // Most lines are as they were (a new cycle seldom moves a column's extremes): a line
            // given its points again would be mapped anew for nothing.
            if (QList<QPointF> points = PointsOf(piece, columnMs); points != line->points()) line->replace(points);
            if (alarm) {
                if (line->attachedAxes().size() < 2) line->attachAxis(laneLevel_);
                continue;
            }
            const QString unit = Text(UnitText(view[piece.firstSample], series.id));
            AxisUse& use = used[unit];
            for (const DrawnPoint& point : piece.points) {
                use.low = std::min(use.low, point.value);
                use.high = std::max(use.high, point.value);
            }
            if (unit.isEmpty()) use.label = QString::fromUtf8(InfoOf(series.id).label.data(),
                                                             static_cast<qsizetype>(InfoOf(series.id).label.size()));
            if (unitChanged && sameUnitAsBefore && !use.stretches.empty()) {
                use.stretches.back().second = piece.points.back().timeMs;
            } else if (unitChanged) {
                use.stretches.emplace_back(piece.points.front().timeMs, piece.points.back().timeMs);
            }
            placed.emplace_back(line, unit);
        }
        Trim(chart, lines_[slot], series.pieces.size());
    }
    for (std::size_t slot = 0; slot < kSeriesCount; ++slot) {
        if (!shown[slot]) Trim(slot == static_cast<std::size_t>(SeriesId::Alarm) ? lane_ : main_, lines_[slot], 0);
    }
    PlaceAxes(used);
    for (const auto& [line, unit] : placed) {
        QValueAxis* axis = axes_.at(unit);
        if (line->attachedAxes().contains(axis)) continue;
        for (QAbstractAxis* old : line->attachedAxes()) {
            if (old != time_) line->detachAxis(old);
        }
        line->attachAxis(axis);
    }

    QList<QPointF> marks;
    marks.reserve(static_cast<qsizetype>(drawn.failedColumns.size()));
    for (const std::int64_t timeMs : drawn.failedColumns) marks.append(QPointF(static_cast<double>(timeMs), kFailureMark));
    if (marks != failures_->points()) failures_->replace(marks);
}

int TrendChart::Pieces(SeriesId id) const { return static_cast<int>(lines_[static_cast<std::size_t>(id)].size()); }

QString TrendChart::AxisTitle(const QString& unit) const {
    const auto found = axes_.find(unit);
    return found != axes_.end() ? found->second->titleText() : QString();
}

void TrendChart::AlignLane() {
    // The lane's plot lies under the main plot, so that one time is one x in both.
    constexpr double kLaneMargin = 4;
    const QRectF plot = main_->plotArea();
    const double height = lane_->size().height() - 2 * kLaneMargin;
    if (plot.isEmpty() || height <= 0) return;
    lane_->setPlotArea(QRectF(plot.left(), kLaneMargin, plot.width(), height));
}

}  // namespace kelvo
