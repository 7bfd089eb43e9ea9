// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The few widgets both proving windows build alike: result labels and buttons with object
// names for automation, and a percentage box for a limit or a tolerance.

#include <QString>

#include <string_view>

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QWidget;

namespace kelvo {

QString Utf8(std::string_view text);
// A label for results: wraps, and its text can be selected and copied.
QLabel* NamedLabel(const char* name, QWidget* parent);
// Not a default button: Enter in a box of the window must not start or end a run.
QPushButton* NamedButton(const char* text, const char* name, QWidget* parent);
// 0.001 % to 100 %, three decimals, as the limits are kept in config.ini.
QDoubleSpinBox* PercentBox(const char* name, double value, QWidget* parent);

}  // namespace kelvo
