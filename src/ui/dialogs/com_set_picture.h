// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The decorative strip on the left of the serial settings dialog (bitmap 135): crossed
// screwdriver and wrench over a colour wheel on a blue gradient, with a signal trace
// along the bottom. Painted, so it stays sharp at any dialog-unit size.

#include <QWidget>

namespace kelvo {

class CComSetPicture : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    static constexpr int kArtWidth = 120;   // the picture's own size in pixels
    static constexpr int kArtHeight = 285;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kelvo
