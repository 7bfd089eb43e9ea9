// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "ui/dialog_units.h"
#include "ui/main/kelvo_icon.h"
#include "vocabulary/kelvo_version.h"

namespace kelvo {

namespace {

// Layout in dialog units.
constexpr int kWidth = 170, kHeight = 62;
constexpr int kIconSize = 32;  // pixels, the size of a large window icon

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("100"));
    setWindowTitle(QStringLiteral("关于 Kelvo"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    const DialogUnits du(font());
    setFixedSize(du.X(kWidth), du.Y(kHeight));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(KelvoIcon().pixmap(kIconSize, kIconSize));
    icon->setGeometry(du.X(14), du.Y(14), kIconSize, kIconSize);

    auto* version = new QLabel(QStringLiteral("Kelvo，%1版").arg(QLatin1String(kKelvoVersion)), this);
    version->setObjectName(QStringLiteral("version"));
    version->setGeometry(du.Rect(42, 14, 114, 10));

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry(du.Rect(113, 41, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kelvo
