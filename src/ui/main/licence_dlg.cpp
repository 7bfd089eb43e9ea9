// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/licence_dlg.h"

#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/dialog_units.h"
#include "vocabulary/kelvo_version.h"

namespace kelvo {

namespace {

// Large enough for 80 columns of the GPL's text, in dialog units.
constexpr int kWidth = 360, kHeight = 260;

// Built in from the source tree's files (qt_add_resources in src/ui/CMakeLists.txt).
QString ResourceText(const QString& name) {
    QFile file(QStringLiteral(":/licences/") + name);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

}  // namespace

CLicenceDlg::CLicenceDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("licenceDlg"));
    setWindowTitle(QStringLiteral("许可证"));
    const DialogUnits du(font());
    resize(du.X(kWidth), du.Y(kHeight));

    auto* intro = new QLabel(
        QStringLiteral("Kelvo %1 是自由软件：您可以按自由软件基金会发布的 GNU 通用公共许可证第 3 版或（由您选择）"
                       "任何更高版本的条款再发布和修改它。Kelvo 不提供任何担保。安装包所含的组件及其许可证见"
                       "“所含组件”，许可证全文见“GNU GPL 第 3 版”。")
            .arg(QLatin1String(kKelvoVersion)),
        this);
    intro->setObjectName(QStringLiteral("licenceIntro"));
    intro->setWordWrap(true);

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("licenceTabs"));
    auto* thirdParty = new QTextBrowser(tabs);
    thirdParty->setObjectName(QStringLiteral("thirdPartyText"));
    thirdParty->setOpenExternalLinks(true);
    thirdParty->setMarkdown(ResourceText(QStringLiteral("THIRD-PARTY.md")));
    tabs->addTab(thirdParty, QStringLiteral("所含组件"));
    auto* copying = new QPlainTextEdit(tabs);
    copying->setObjectName(QStringLiteral("copyingText"));
    copying->setReadOnly(true);
    copying->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    copying->setPlainText(ResourceText(QStringLiteral("COPYING")));
    tabs->addTab(copying, QStringLiteral("GNU GPL 第 3 版"));

    auto* aboutQt = new QPushButton(QStringLiteral("关于 Qt(&Q)..."), this);
    aboutQt->setObjectName(QStringLiteral("aboutQt"));
    connect(aboutQt, &QPushButton::clicked, this, [this] { QMessageBox::aboutQt(this, QStringLiteral("关于 Qt")); });
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(aboutQt);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(tabs, 1);
    layout->addLayout(buttons);
}

}  // namespace kelvo
