#include "ui/trend/trend_view.h"

#include <QGraphicsLineItem>
#include <QMouseEvent>
#include <QPen>
#include <QWheelEvent>

namespace kelvo {

namespace {

// One notch of a mouse wheel, in the units QWheelEvent counts.
constexpr double kWheelNotch = 120.0;

}  // namespace

TrendView::TrendView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
    setMouseTracking(true);
    setRenderHint(QPainter::Antialiasing, false);  // thousands of points a frame
    cursor_ = new QGraphicsLineItem(chart);
    cursor_->setPen(QPen(QColor(90, 90, 90), 1, Qt::DashLine));
    cursor_->setZValue(100);
    cursor_->hide();
    connect(chart, &QChart::plotAreaChanged, this, [this] { ShowCursorAt(cursorFraction_); });
}

double TrendView::FractionAt(double x) const {
    const QRectF plot = chart()->plotArea();
    const QPointF scene = mapToScene(QPoint(static_cast<int>(x), 0));
    return plot.width() > 0 ? (scene.x() - plot.left()) / plot.width() : 0.0;
}

void TrendView::ShowCursorAt(double fraction) {
    cursorFraction_ = fraction;
    const QRectF plot = chart()->plotArea();
    if (fraction < 0 || fraction > 1 || plot.isEmpty()) {
        cursor_->hide();
        return;
    }
    const double x = plot.left() + fraction * plot.width();
    cursor_->setLine(x, plot.top(), x, plot.bottom());
    cursor_->show();
}

void TrendView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragFrom_ = event->position().x();
    event->accept();
}

void TrendView::mouseMoveEvent(QMouseEvent* event) {
    const double x = event->position().x();
    if (dragFrom_ && (event->buttons() & Qt::LeftButton)) {
        const QRectF plot = chart()->plotArea();
        if (plot.width() > 0 && x != *dragFrom_) emit dragged((x - *dragFrom_) / plot.width());
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
    QChartView::resizeEvent(event);
    emit resized();
}

}  // namespace kelvo
