// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/trend/trend_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "ui/trend/trend_chart.h"
#include "ui/trend/trend_painting.h"

namespace kelvo {

namespace {

// One notch of a mouse wheel, in the units QWheelEvent counts.
constexpr double kWheelNotch = 120.0;

}  // namespace

TrendView::TrendView(const TrendChart& chart, Part part, const TrendView* alignedTo, QWidget* parent)
    : QWidget(parent), chart_(chart), part_(part), alignedTo_(alignedTo) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);  // the painting fills the whole view
    setMinimumSize(200, part == Part::Plot ? 160 : 40);
    connect(&chart, &TrendChart::changed, this, qOverload<>(&QWidget::update));
    // The lane's edges follow the plot's, which move with the plot's size.
    if (alignedTo_ != nullptr) connect(alignedTo_, &TrendView::resized, this, qOverload<>(&QWidget::update));
}

QRectF TrendView::PlotRect() const {
    const QFontMetricsF metrics(font());
    if (part_ == Part::Lane && alignedTo_ != nullptr) return LanePlot(alignedTo_->PlotRect(), size(), metrics);
    return LayOutPlot(chart_, size(), metrics).plot;
}

void TrendView::ShowCursorAt(double fraction) {
    if (fraction == cursorFraction_) return;
    cursorFraction_ = fraction;
    update();
}

void TrendView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetricsF metrics(font());
    const double cursor = cursorFraction_ >= 0 && cursorFraction_ <= 1 ? cursorFraction_ : -1;
    if (part_ == Part::Plot) {
        PaintPlot(painter, chart_, LayOutPlot(chart_, size(), metrics), size(), metrics, cursor);
    } else {
        PaintLane(painter, chart_, PlotRect(), size(), metrics, cursor);
    }
}

double TrendView::FractionAt(double x) const {
    const QRectF plot = PlotRect();
    return plot.width() > 0 ? (x - plot.left()) / plot.width() : -1.0;
}

void TrendView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragFrom_ = event->position().x();
    event->accept();
}

void TrendView::mouseMoveEvent(QMouseEvent* event) {
    const double x = event->position().x();
    if (dragFrom_ && (event->buttons() & Qt::LeftButton)) {
        const double width = PlotRect().width();
        if (width > 0 && x != *dragFrom_) emit dragged((x - *dragFrom_) / width);
        dragFrom_ = x;
    }
    if (const double fraction = FractionAt(x); fraction >= 0 && fraction <= 1) emit hovered(fraction);
    event->accept();
}

void TrendView::mouseReleaseEvent(QMouseEvent* event) {
    dragFrom_.reset();
    event->accept();
}

void TrendView::wheelEvent(QWheelEvent* event) {
    const double fraction = FractionAt(event->position().x());
    if (event->angleDelta().y() != 0 && fraction >= 0 && fraction <= 1) {
        emit wheeled(event->angleDelta().y() / kWheelNotch, fraction);
    }
    event->accept();
}

void TrendView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

}  // namespace kelvo
