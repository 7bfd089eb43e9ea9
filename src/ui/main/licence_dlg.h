// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The licence box ("帮助 → 许可证"): Kelvo's licence, what the packages contain with their
// licences (THIRD-PARTY.md) and the GPL's full text (COPYING), both built into the program
// as resources from the files of the source tree, and Qt's own about box.

#include <QDialog>

namespace kelvo {

class CLicenceDlg : public QDialog {
    Q_OBJECT
public:
    explicit CLicenceDlg(QWidget* parent = nullptr);
};

}  // namespace kelvo
