// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/proving/proving_widgets.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>

namespace kelvo {

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QLabel* NamedLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QPushButton* NamedButton(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QDoubleSpinBox* PercentBox(const char* name, double value, QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDecimals(3);
    box->setRange(0.001, 100.0);
    box->setSingleStep(0.1);
    box->setSuffix(QStringLiteral(" %"));
    box->setValue(value);
    return box;
}

}  // namespace kelvo
