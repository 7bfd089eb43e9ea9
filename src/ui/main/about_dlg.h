// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CAboutDlg (dialog 100, "关于 Kelvo"): the icon, the name and version, one OK button.

#include <QDialog>

namespace kelvo {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace kelvo
