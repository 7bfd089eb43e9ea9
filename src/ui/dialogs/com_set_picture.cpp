// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/com_set_picture.h"

#include <algorithm>

#include <QConicalGradient>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace kelvo {

namespace {

constexpr QPointF kWheelCentre(60, 112);
constexpr double kWheelRadius = 42;

void DrawBackground(QPainter& painter, const QRectF& area) {
    QLinearGradient blue(area.topLeft(), area.bottomLeft());
    blue.setColorAt(0.0, QColor(0x0A, 0x2A, 0x63));
    blue.setColorAt(0.55, QColor(0x1D, 0x58, 0xB0));
    blue.setColorAt(1.0, QColor(0x4C, 0x93, 0xE6));
    painter.fillRect(area, blue);
}

void DrawColourWheel(QPainter& painter) {
    QConicalGradient hues(kWheelCentre, 90);
    const QColor stops[] = {Qt::red, Qt::yellow, Qt::green, Qt::cyan, Qt::blue, Qt::magenta, Qt::red};
    for (int i = 0; i < 7; ++i) hues.setColorAt(i / 6.0, stops[i]);
    painter.setPen(QPen(QColor(255, 255, 255, 180), 2));
    painter.setBrush(hues);
    painter.drawEllipse(kWheelCentre, kWheelRadius, kWheelRadius);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 70));
    painter.drawEllipse(kWheelCentre, kWheelRadius * 0.45, kWheelRadius * 0.45);
}

// Both tools are drawn along the x axis and rotated into place around the wheel centre.
void DrawScrewdriver(QPainter& painter) {
    painter.save();
    painter.translate(kWheelCentre);
    painter.rotate(-45);
    QLinearGradient steel(0, -2.5, 0, 2.5);
    steel.setColorAt(0, QColor(0xF4, 0xF6, 0xF8));
    steel.setColorAt(1, QColor(0x8A, 0x94, 0xA0));
    painter.setPen(QPen(QColor(0x30, 0x36, 0x40), 0.8));
    painter.setBrush(steel);
    painter.drawRect(QRectF(-8, -2.5, 50, 5));
    painter.drawPolygon(QPolygonF({QPointF(42, -2.5), QPointF(50, -1), QPointF(50, 1), QPointF(42, 2.5)}));
    QLinearGradient grip(0, -7, 0, 7);
    grip.setColorAt(0, QColor(0xF5, 0xC2, 0x3A));
    grip.setColorAt(1, QColor(0xC2, 0x3B, 0x1E));
    painter.setBrush(grip);
    painter.drawRoundedRect(QRectF(-50, -7, 42, 14), 6, 6);
    painter.setPen(QPen(QColor(0x7A, 0x22, 0x10), 1));
    for (int i = 0; i < 4; ++i) painter.drawLine(QPointF(-44 + 9 * i, -4), QPointF(-44 + 9 * i, 4));
    painter.restore();
}

void DrawWrench(QPainter& painter) {
    painter.save();
    painter.translate(kWheelCentre);
    painter.rotate(45);
    QLinearGradient steel(0, -9, 0, 9);
    steel.setColorAt(0, QColor(0xFA, 0xFB, 0xFC));
    steel.setColorAt(1, QColor(0x7E, 0x88, 0x94));
    QPainterPath wrench;
    wrench.setFillRule(Qt::WindingFill);
    wrench.addRoundedRect(QRectF(-40, -4.5, 80, 9), 4, 4);
    wrench.addEllipse(QPointF(-44, 0), 11, 11);
    wrench.addEllipse(QPointF(44, 0), 9, 9);
    QPainterPath jaw;  // the open end's mouth
    jaw.addRect(QRectF(-58, -5, 16, 10));
    QPainterPath ring;  // the ring end's hole
    ring.addEllipse(QPointF(44, 0), 4.5, 4.5);
    painter.setPen(QPen(QColor(0x30, 0x36, 0x40), 0.9));
    painter.setBrush(steel);
    painter.drawPath(wrench.simplified().subtracted(jaw).subtracted(ring));
    painter.restore();
}

// A burst of bits as a meter's answer looks on an oscilloscope.
void DrawSignalTrace(QPainter& painter) {
    constexpr double kHigh = 244, kLow = 262;
    constexpr int kBits[] = {1, 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 1, 1};
    painter.setPen(QPen(QColor(255, 255, 255, 60), 1));
    painter.drawLine(QPointF(6, kLow + 6), QPointF(114, kLow + 6));
    QPolygonF trace;
    double x = 8;
    trace << QPointF(x, kHigh);
    for (const int bit : kBits) {
        const double y = bit ? kHigh : kLow;
        trace << QPointF(x, trace.back().y()) << QPointF(x, y);
        x += 6.5;
        trace << QPointF(x, y);
    }
    trace << QPointF(x, kHigh) << QPointF(112, kHigh);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x7C, 0xFF, 0xB0), 1.6));
    painter.drawPolyline(trace);
}

}  // namespace

void CComSetPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawBackground(painter, rect());
    const double scale = std::min(width() / static_cast<double>(kArtWidth), height() / static_cast<double>(kArtHeight));
    painter.translate((width() - kArtWidth * scale) / 2, (height() - kArtHeight * scale) / 2);
    painter.scale(scale, scale);
    DrawColourWheel(painter);
    DrawWrench(painter);
    DrawScrewdriver(painter);
    DrawSignalTrace(painter);
}

}  // namespace kelvo
