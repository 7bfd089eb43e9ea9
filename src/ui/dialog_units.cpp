// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialog_units.h"

#include <QFontMetrics>
#include <QString>

namespace kelvo {

namespace {

// The average width is measured over the 52 Latin letters and rounded to the nearest
// pixel, as the dialog-unit mapping of the classic dialog templates does.
int MeasureAverageCharWidth(const QFontMetrics& metrics) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int average = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    return average > 0 ? average : 1;
}

// a * b / c rounded to the nearest integer.
int MulDivRounded(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    averageCharWidth_ = MeasureAverageCharWidth(metrics);
    charHeight_ = metrics.height() > 0 ? metrics.height() : 1;
}

int DialogUnits::X(int dlu) const { return MulDivRounded(dlu, averageCharWidth_, 4); }

int DialogUnits::Y(int dlu) const { return MulDivRounded(dlu, charHeight_, 8); }

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}

}  // namespace kelvo
