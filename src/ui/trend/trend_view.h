#pragma once
// The chart's view: it draws a chart and tells what the mouse does over its plot area — a
// drag (pan), the wheel (zoom), a position (the cursor) — as fractions of the plot's width,
// for the window to turn into times. It draws the cursor's line itself.

#include <QtCharts/QChartView>

#include <optional>

class QGraphicsLineItem;

namespace kelvo {

class TrendView : public QChartView {
    Q_OBJECT
public:
    explicit TrendView(QChart* chart, QWidget* parent = nullptr);

    // The cursor's line at this fraction of the plot's width (0 left, 1 right); none below 0.
    void ShowCursorAt(double fraction);

signals:
    // The plot dragged by this fraction of its width (to the right: positive).
    void dragged(double fraction);
    // The wheel turned by `steps` (away from the user: positive) over `fraction`.
    void wheeled(double steps, double fraction);
    // The mouse over the plot at `fraction`.
    void hovered(double fraction);
    // The view, and with it its chart, has a new size.
    void resized();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    double FractionAt(double x) const;

    QGraphicsLineItem* cursor_ = nullptr;
    double cursorFraction_ = -1;
    std::optional<double> dragFrom_;  // the x where the drag was last seen
};

}  // namespace kelvo
