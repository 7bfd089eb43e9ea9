// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the trend is painted: where the plot lies inside its view, given the value axes left
// and right of it, and the painting of the plot and of the lane under it from a TrendChart.

#include <QFontMetricsF>
#include <QRectF>
#include <QSizeF>

#include <vector>

#include "ui/trend/trend_axes.h"
#include "ui/trend/trend_chart.h"

class QPainter;

namespace kelvo {

struct PlacedAxis {
    TrendAxis axis;
    ValueTicks ticks;
    bool left = true;
    double line = 0;  // the x of the axis' line, next to the plot or to the axis before it
    double width = 0;  // of its band: tick marks, labels and title
};

struct PlotLayout {
    QRectF plot;
    std::vector<PlacedAxis> axes;
};

// The main view: a legend above the plot, the value axes taking turns left and right.
PlotLayout LayOutPlot(const TrendChart& chart, QSizeF size, const QFontMetricsF& metrics);
// The lane under it: the same left and right edges, the time labels below.
QRectF LanePlot(const QRectF& above, QSizeF size, const QFontMetricsF& metrics);

// `cursor`: the fraction of the plot's width where its line stands; none below 0.
void PaintPlot(QPainter& painter, const TrendChart& chart, const PlotLayout& layout, QSizeF size,
               const QFontMetricsF& metrics, double cursor);
void PaintLane(QPainter& painter, const TrendChart& chart, const QRectF& plot, QSizeF size,
               const QFontMetricsF& metrics, double cursor);

}  // namespace kelvo
