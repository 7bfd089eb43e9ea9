// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/kelvo_icon.h"

#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRect>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace kelvo {

namespace {

// Everything below is drawn on a 64 × 64 grid and scaled to the requested size.
constexpr double kGrid = 64.0;

void DrawTile(QPainter& painter) {
    QLinearGradient blue(0, 2, 0, 62);
    blue.setColorAt(0.0, QColor(0x2A, 0x6C, 0xC8));
    blue.setColorAt(1.0, QColor(0x12, 0x3C, 0x7E));
    painter.setPen(QPen(QColor(0x0B, 0x25, 0x50), 1.5));
    painter.setBrush(blue);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
}

void DrawPipe(QPainter& painter) {
    QLinearGradient steel(0, 38, 0, 52);
    steel.setColorAt(0.0, QColor(0xF2, 0xF4, 0xF6));
    steel.setColorAt(0.5, QColor(0xB9, 0xC2, 0xCC));
    steel.setColorAt(1.0, QColor(0x7A, 0x86, 0x93));
    painter.setPen(QPen(QColor(0x33, 0x3D, 0x48), 1.0));
    painter.setBrush(steel);
    painter.drawRect(QRectF(5, 39, 54, 12));
    painter.setBrush(QColor(0x8C, 0x97, 0xA3));
    painter.drawRect(QRectF(13, 35, 5, 20));
    painter.drawRect(QRectF(46, 35, 5, 20));

    // Direction of flow through the meter.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1E, 0x5B, 0xB8));
    const QPolygonF arrow({QPointF(24, 42.5), QPointF(36, 42.5), QPointF(36, 40.5), QPointF(41, 45),
                           QPointF(36, 49.5), QPointF(36, 47.5), QPointF(24, 47.5)});
    painter.drawPolygon(arrow);
}

void DrawGaugeHead(QPainter& painter) {
    painter.setPen(QPen(QColor(0x33, 0x3D, 0x48), 1.0));
    painter.setBrush(QColor(0x9A, 0xA5, 0xB1));
    painter.drawRect(QRectF(28, 30, 8, 9));

    QRadialGradient face(QPointF(28, 17), 18);
    face.setColorAt(0.0, Qt::white);
    face.setColorAt(1.0, QColor(0xD8, 0xE4, 0xF2));
    painter.setPen(QPen(QColor(0x0B, 0x25, 0x50), 3.0));
    painter.setBrush(face);
    painter.drawEllipse(QPointF(32, 21), 13.5, 13.5);

    // Scale ticks over the upper 240 degrees of the dial.
    painter.setPen(QPen(QColor(0x0B, 0x25, 0x50), 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i <= 6; ++i) {
        const double angle = (210.0 - 40.0 * i) * std::numbers::pi / 180.0;
        const QPointF unit(std::cos(angle), -std::sin(angle));
        painter.drawLine(QPointF(32, 21) + unit * 8.5, QPointF(32, 21) + unit * 11.0);
    }
    const double needle = 50.0 * std::numbers::pi / 180.0;
    painter.setPen(QPen(QColor(0xD0, 0x2A, 0x22), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(32, 21), QPointF(32 + 9.5 * std::cos(needle), 21 - 9.5 * std::sin(needle)));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x0B, 0x25, 0x50));
    painter.drawEllipse(QPointF(32, 21), 2.2, 2.2);
}

}  // namespace

QImage RenderKelvoIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kGrid, size / kGrid);
    DrawTile(painter);
    DrawPipe(painter);
    DrawGaugeHead(painter);
    painter.end();
    return image;
}

namespace {

// Draws the icon at the size that is asked for, when it is asked for: a window manager
// gets a sharp image at any size, and nothing is drawn for a platform that shows none.
class KelvoIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const int size = std::min(rect.width(), rect.height());
        if (size <= 0) return;
        const QRect square(rect.x() + (rect.width() - size) / 2, rect.y() + (rect.height() - size) / 2, size, size);
        painter->drawImage(square, RenderKelvoIcon(size));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int size : kStandardSizes) sizes << QSize(size, size);
        return sizes;
    }
    QIconEngine* clone() const override { return new KelvoIconEngine; }
    QString key() const override { return QStringLiteral("kelvo"); }

private:
    static constexpr std::array<int, 6> kStandardSizes = {16, 24, 32, 48, 64, 128};
};

}  // namespace

QIcon KelvoIcon() { return QIcon(new KelvoIconEngine); }

}  // namespace kelvo
