// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Dialog units: the window layouts are drawn in units of the dialog font, a quarter of
// its average character width across and an eighth of its height down, so a layout
// keeps its proportions whatever font the desktop uses.

#include <QFont>
#include <QRect>

namespace kelvo {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int X(int dlu) const;  // horizontal dialog units to pixels
    int Y(int dlu) const;  // vertical dialog units to pixels
    QRect Rect(int x, int y, int width, int height) const;

    int AverageCharWidth() const { return averageCharWidth_; }
    int CharHeight() const { return charHeight_; }

private:
    int averageCharWidth_;
    int charHeight_;
};

}  // namespace kelvo
