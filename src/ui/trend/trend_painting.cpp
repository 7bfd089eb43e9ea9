// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/trend/trend_painting.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvo {

namespace {

// One colour for each value, the same in every span. The alarm's amber keeps clear of the
// red of the failed cycles beside it in the lane.
constexpr std::array<QRgb, kSeriesCount> kColours = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0x9467bd, 0x8c564b, 0xe377c2,
                                                     0xb07800, 0xbcbd22, 0x17becf, 0x7f7f7f, 0x393b79, 0x637939};
constexpr QRgb kSurround = 0xf5f6f8;
constexpr QRgb kPlotGround = 0xffffff;
constexpr QRgb kBorder = 0x9a9a9a;
constexpr QRgb kGrid = 0xe2e4e8;
constexpr QRgb kInk = 0x303030;
constexpr QRgb kFailure = 0xc80000;
constexpr QRgb kCursor = 0x505050;
constexpr double kTick = 4;  // the length of a tick mark
constexpr double kGap = 4;   // between a tick mark and its label, a label and the title
constexpr double kEdge = 6;  // around the plot where no axis stands
const char* const kLaneAlarm = "报警";
const char* const kLaneFailures = "通讯中断";

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QColor ColourOf(SeriesId id) { return QColor(kColours[static_cast<std::size_t>(id)]); }

std::int64_t FloorDivide(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t quotient = numerator / denominator;
    return (numerator % denominator != 0 && (numerator < 0) != (denominator < 0)) ? quotient - 1 : quotient;
}

// The x of a time, as the time axis places it.
double XAt(const TrendChart& chart, const QRectF& plot, double timeMs) {
    const TimeSpan span = chart.Span();
    if (span.Length() <= 0) return plot.left();
    return plot.left() + (timeMs - static_cast<double>(span.fromMs)) / static_cast<double>(span.Length()) * plot.width();
}

// The x of a drawn point: the middle of the pixel column it was decimated into, so that a
// column's lowest and highest stand one above the other as a bar.
double ColumnX(const TrendChart& chart, const QRectF& plot, std::int64_t timeMs) {
    const TimeSpan span = chart.Span();
    const int columns = chart.Columns();
    if (columns <= 0 || span.Length() <= 0) return XAt(chart, plot, static_cast<double>(timeMs));
    const std::int64_t column = FloorDivide((timeMs - span.fromMs) * columns, span.Length());
    return plot.left() + (static_cast<double>(column) + 0.5) * plot.width() / columns;
}

double YAt(const TrendAxis& axis, const QRectF& plot, double value) {
    return plot.bottom() - (value - axis.low) / (axis.high - axis.low) * plot.height();
}

double TimeLabelWidth(const QFontMetricsF& metrics, const QString& format) {
    // The widest a label of this format gets: two-digit fields throughout.
    return metrics.horizontalAdvance(QDateTime(QDate(2000, 12, 28), QTime(23, 58, 58)).toString(format));
}

std::vector<TimeTick> TicksFor(const TrendChart& chart, const QRectF& plot, const QFontMetricsF& metrics) {
    const TimeSpan span = chart.Span();
    if (span.Length() <= 0 || plot.width() <= 0) return {};
    const auto width = [&metrics](const QString& format) { return TimeLabelWidth(metrics, format); };
    return TimeTicks(span, TimeStep(span, plot.width(), width));
}

void PaintTimeGrid(QPainter& painter, const TrendChart& chart, const QRectF& plot, const std::vector<TimeTick>& ticks) {
    painter.setPen(QPen(QColor(kGrid), 1));
    for (const TimeTick& tick : ticks) {
        const double x = std::round(XAt(chart, plot, static_cast<double>(tick.timeMs))) + 0.5;
        if (x > plot.left() && x < plot.right()) painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
}

void PaintTimeLabels(QPainter& painter, const TrendChart& chart, const QRectF& plot, QSizeF size,
                     const QFontMetricsF& metrics, const std::vector<TimeTick>& ticks) {
    painter.setPen(QColor(kInk));
    for (const TimeTick& tick : ticks) {
        const double x = XAt(chart, plot, static_cast<double>(tick.timeMs));
        if (x < plot.left() - 0.5 || x > plot.right() + 0.5) continue;
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + kTick));
        const double width = metrics.horizontalAdvance(tick.label);
        const double left = std::clamp(x - width / 2, 0.0, size.width() - width);
        painter.drawText(QPointF(left, plot.bottom() + kTick + kGap + metrics.ascent()), tick.label);
    }
}

void PaintCursor(QPainter& painter, const QRectF& plot, double cursor) {
    if (cursor < 0) return;
    const double x = plot.left() + cursor * plot.width();
    painter.setPen(QPen(QColor(kCursor), 1, Qt::DashLine));
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
}

void PaintFrame(QPainter& painter, const QRectF& plot) {
    painter.setPen(QPen(QColor(kBorder), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(-0.5, -0.5, 0.5, 0.5));
}

// A piece as a line through its columns; a piece of one point as a short dash.
void PaintPiece(QPainter& painter, const TrendChart& chart, const QRectF& plot, const TrendPiece& piece,
                const std::function<double(double)>& y) {
    QPolygonF line;
    line.reserve(static_cast<qsizetype>(piece.points.size()));
    for (const DrawnPoint& point : piece.points) line.append(QPointF(ColumnX(chart, plot, point.timeMs), y(point.value)));
    if (line.size() == 1 || (line.size() == 2 && line.front().x() == line.back().x())) {
        const double half = std::max(2.0, plot.width() / std::max(chart.Columns(), 1) / 2);
        for (const QPointF& point : line) painter.drawLine(point - QPointF(half, 0), point + QPointF(half, 0));
        if (line.size() == 1) return;
    }
    painter.drawPolyline(line);
}

void PaintAxis(QPainter& painter, const PlacedAxis& placed, const QRectF& plot, const QFontMetricsF& metrics) {
    const double side = placed.left ? -1 : 1;
    painter.setPen(QPen(QColor(kInk), 1));
    painter.drawLine(QPointF(placed.line, plot.top()), QPointF(placed.line, plot.bottom()));
    for (int i = 0; i < placed.ticks.count; ++i) {
        const double y = YAt(placed.axis, plot, placed.ticks.At(i));
        if (y < plot.top() - 0.5 || y > plot.bottom() + 0.5) continue;
        painter.drawLine(QPointF(placed.line, y), QPointF(placed.line + side * kTick, y));
        const QString label = placed.ticks.Label(i);
        const double width = metrics.horizontalAdvance(label);
        const double x = placed.left ? placed.line - kTick - kGap - width : placed.line + kTick + kGap;
        painter.drawText(QPointF(x, y + metrics.ascent() / 2 - 1), label);
    }
    // The title along the axis, reading upwards, at the outer end of its band.
    const QString title = metrics.elidedText(placed.axis.title, Qt::ElideRight, plot.height());
    const double titleWidth = metrics.horizontalAdvance(title);
    const double outer = placed.left ? placed.line - placed.width + kGap : placed.line + placed.width - kGap - metrics.height();
    const double baseline = outer + metrics.ascent();
    painter.save();
    painter.translate(baseline, plot.center().y() + titleWidth / 2);
    painter.rotate(-90);
    painter.drawText(QPointF(0, 0), title);
    painter.restore();
}

// Each value drawn, in its colour, with the units it is drawn in.
void PaintLegend(QPainter& painter, const TrendChart& chart, const QRectF& plot, QSizeF size,
                 const QFontMetricsF& metrics) {
    double x = plot.left();
    const double y = kEdge;
    for (const SeriesId id : chart.Ticked()) {
        if (TrendChart::InLane(id)) continue;
        QStringList units;
        for (const TrendPiece& piece : chart.PiecesOf(id)) {
            if (!piece.unit.isEmpty() && !units.contains(piece.unit)) units << piece.unit;
        }
        QString text = Text(InfoOf(id).label);
        if (!units.isEmpty()) text += QStringLiteral(" (") + units.join(QStringLiteral("，")) + ')';
        const double width = metrics.horizontalAdvance(text) + 22;
        if (x + width > size.width()) break;
        painter.setPen(QPen(ColourOf(id), 2));
        painter.drawLine(QPointF(x, y + metrics.height() / 2), QPointF(x + 14, y + metrics.height() / 2));
        painter.setPen(QColor(kInk));
        painter.drawText(QPointF(x + 18, y + metrics.ascent()), text);
        x += width + 12;
    }
}

}  // namespace

PlotLayout LayOutPlot(const TrendChart& chart, QSizeF size, const QFontMetricsF& metrics) {
    PlotLayout layout;
    const double top = kEdge + metrics.height() + kEdge;  // the legend
    const double height = std::max(1.0, size.height() - top - kEdge);
    const int most = std::max(2, static_cast<int>(height / (metrics.height() * 2.2)));
    std::array<double, 2> bands{};  // left, right
    for (std::size_t i = 0; i < chart.Axes().size(); ++i) {
        PlacedAxis& placed = layout.axes.emplace_back();
        placed.axis = chart.Axes()[i];
        placed.ticks = NiceTicks(placed.axis.low, placed.axis.high, most);
        placed.left = i % 2 == 0;
        double widest = 0;
        for (int k = 0; k < placed.ticks.count; ++k) {
            widest = std::max(widest, metrics.horizontalAdvance(placed.ticks.Label(k)));
        }
        placed.width = kTick + kGap + widest + kGap + metrics.height() + kGap;
        placed.line = bands[placed.left ? 0 : 1];  // from the plot's edge, for now
        bands[placed.left ? 0 : 1] += placed.width;
    }
    // Room for the lane's names on the left and half a time label on the right.
    const double left = std::max(bands[0], metrics.horizontalAdvance(QString::fromUtf8(kLaneFailures)) + 2 * kGap);
    const double right = std::max(bands[1], TimeLabelWidth(metrics, QStringLiteral("MM-dd HH:mm:ss")) / 2);
    layout.plot = QRectF(kEdge + left, top, std::max(1.0, size.width() - 2 * kEdge - left - right), height);
    for (PlacedAxis& placed : layout.axes) {
        placed.line = placed.left ? layout.plot.left() - placed.line : layout.plot.right() + placed.line;
    }
    return layout;
}

QRectF LanePlot(const QRectF& above, QSizeF size, const QFontMetricsF& metrics) {
    const double labels = kTick + kGap + metrics.height() + kGap;
    return QRectF(above.left(), 2, above.width(), std::max(1.0, size.height() - 2 - labels));
}

void PaintPlot(QPainter& painter, const TrendChart& chart, const PlotLayout& layout, QSizeF size,
               const QFontMetricsF& metrics, double cursor) {
    const QRectF& plot = layout.plot;
    painter.fillRect(QRectF(QPointF(0, 0), size), QColor(kSurround));
    painter.fillRect(plot, QColor(kPlotGround));
    PaintTimeGrid(painter, chart, plot, TicksFor(chart, plot, metrics));
    if (!layout.axes.empty()) {
        // The grid of the first axis only: more would cross each other.
        const PlacedAxis& first = layout.axes.front();
        painter.setPen(QPen(QColor(kGrid), 1));
        for (int i = 0; i < first.ticks.count; ++i) {
            const double y = std::round(YAt(first.axis, plot, first.ticks.At(i))) + 0.5;
            if (y > plot.top() && y < plot.bottom()) painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        }
    }
    for (const PlacedAxis& placed : layout.axes) PaintAxis(painter, placed, plot, metrics);

    painter.save();
    painter.setClipRect(plot);
    for (const SeriesId id : chart.Ticked()) {
        if (TrendChart::InLane(id)) continue;
        // A line with a point every few pixels is drawn with the raster engine's fast pen, one
        // pixel and not smoothed: a day of cycles costs it a millisecond where a smoothed pen
        // costs tens. A sparse line is smoothed, which it is worth.
        std::size_t points = 0;
        for (const TrendPiece& piece : chart.PiecesOf(id)) points += piece.points.size();
        const bool dense = static_cast<double>(points) > plot.width() / 3;
        painter.setRenderHint(QPainter::Antialiasing, !dense);
        painter.setPen(dense ? QPen(ColourOf(id), 1) : QPen(ColourOf(id), 1.5, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
        for (const TrendPiece& piece : chart.PiecesOf(id)) {
            const auto axis = std::find_if(layout.axes.begin(), layout.axes.end(),
                                           [&](const PlacedAxis& placed) { return placed.axis.unit == piece.unit; });
            if (axis == layout.axes.end()) continue;
            PaintPiece(painter, chart, plot, piece, [&](double value) { return YAt(axis->axis, plot, value); });
        }
    }
    painter.restore();
    PaintCursor(painter, plot, cursor);
    PaintFrame(painter, plot);
    PaintLegend(painter, chart, plot, size, metrics);
}

void PaintLane(QPainter& painter, const TrendChart& chart, const QRectF& plot, QSizeF size,
               const QFontMetricsF& metrics, double cursor) {
    painter.fillRect(QRectF(QPointF(0, 0), size), QColor(kSurround));
    painter.fillRect(plot, QColor(kPlotGround));
    const std::vector<TimeTick> ticks = TicksFor(chart, plot, metrics);
    PaintTimeGrid(painter, chart, plot, ticks);
    // Above: the alarm state, high while there is an alarm; below: the failed cycles.
    const QRectF alarm(plot.left(), plot.top(), plot.width(), plot.height() / 2);
    const QRectF failures(plot.left(), alarm.bottom(), plot.width(), plot.height() - alarm.height());
    painter.setPen(QPen(QColor(kGrid), 1));
    painter.drawLine(QPointF(plot.left(), std::round(alarm.bottom()) + 0.5),
                     QPointF(plot.right(), std::round(alarm.bottom()) + 0.5));

    const auto name = [&](const char* text, const QRectF& band) {
        painter.setPen(QColor(kInk));
        const QString shown = QString::fromUtf8(text);
        painter.drawText(QPointF(plot.left() - kGap - metrics.horizontalAdvance(shown),
                                 band.center().y() + metrics.ascent() / 2 - 1),
                         shown);
    };
    const bool alarmTicked = std::find(chart.Ticked().begin(), chart.Ticked().end(), SeriesId::Alarm) != chart.Ticked().end();
    if (alarmTicked) name(kLaneAlarm, alarm);
    name(kLaneFailures, failures);

    painter.save();
    painter.setClipRect(plot);
    painter.setPen(QPen(ColourOf(SeriesId::Alarm), 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    const double low = alarm.bottom() - 4;
    const double high = alarm.top() + 4;
    for (const TrendPiece& piece : chart.PiecesOf(SeriesId::Alarm)) {
        PaintPiece(painter, chart, plot, piece, [&](double value) { return low + (high - low) * value; });
    }
    const double columnWidth = chart.Columns() > 0 ? plot.width() / chart.Columns() : 1;
    const double markWidth = std::max(2.0, columnWidth);
    for (const std::int64_t timeMs : chart.FailedColumns()) {
        const double x = XAt(chart, plot, static_cast<double>(timeMs));
        painter.fillRect(QRectF(x - markWidth / 2, failures.top() + 3, markWidth, failures.height() - 6),
                         QColor(kFailure));
    }
    painter.restore();
    PaintCursor(painter, plot, cursor);
    PaintFrame(painter, plot);
    PaintTimeLabels(painter, chart, plot, size, metrics, ticks);
}

}  // namespace kelvo
