// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A view of the trend: the main plot with its axes, or the lane under it, painted from a
// TrendChart. It tells what the mouse does over its plot — a drag (pan), the wheel (zoom), a
// position (the cursor) — as fractions of the plot's width, for the window to turn into
// times, and draws the cursor's line. The lane takes the main view's left and right edges,
// so that one time is one x in both.

#include <QWidget>

#include <optional>

namespace kelvo {

class TrendChart;

class TrendView : public QWidget {
    Q_OBJECT
public:
    enum class Part { Plot, Lane };

    // `alignedTo`: for the lane, the view of the plot above it.
    TrendView(const TrendChart& chart, Part part, const TrendView* alignedTo, QWidget* parent = nullptr);

    // Where the values are drawn, in this view's coordinates.
    QRectF PlotRect() const;
    // The cursor's line at this fraction of the plot's width (0 left, 1 right); none below 0.
    void ShowCursorAt(double fraction);

signals:
    // The plot dragged by this fraction of its width (to the right: positive).
    void dragged(double fraction);
    // The wheel turned by `steps` (away from the user: positive) over `fraction`.
    void wheeled(double steps, double fraction);
    // The mouse over the plot at `fraction`.
    void hovered(double fraction);
    // The view has a new size, and with it its plot.
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    double FractionAt(double x) const;

    const TrendChart& chart_;
    const Part part_;
    const TrendView* alignedTo_;
    double cursorFraction_ = -1;
    std::optional<double> dragFrom_;  // the x where the drag was last seen
};

}  // namespace kelvo
