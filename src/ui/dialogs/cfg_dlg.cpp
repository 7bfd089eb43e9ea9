// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/cfg_dlg.h"

#include <QPushButton>
#include <QTabWidget>

#include "messages/prompter.h"
#include "ui/dialog_units.h"
#include "ui/dialogs/cfg_common_dlg.h"
#include "ui/dialogs/cfg_w58_common_dlg.h"

namespace kelvo {

namespace {

// Layout in dialog units.
constexpr int kDialogWidth = 257;
constexpr int kDialogHeight = 154;
constexpr int kTabX = 7, kTabY = 7, kTabWidth = 243, kTabHeight = 121;
constexpr int kButtonY = 134, kButtonWidth = 50, kButtonHeight = 14;
constexpr int kOkX = 144, kCancelX = 200;

}  // namespace

CCfgDlg::CCfgDlg(Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter) {
    setObjectName(QStringLiteral("141"));
    setWindowTitle(QStringLiteral("常用配置设置"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    BuildControls();
}

void CCfgDlg::BuildControls() {
    const DialogUnits du(font());
    setFixedSize(du.X(kDialogWidth), du.Y(kDialogHeight));

    // The tab control keeps one page per tab and shows only the selected one.
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("1073"));
    tabs_->setGeometry(du.Rect(kTabX, kTabY, kTabWidth, kTabHeight));
    for (int n = 0; n < kPresetCount; ++n) {
        PresetTab& tab = editor_.Tab(n);
        CPresetTabPage* page = nullptr;
        if (editor_.EditsW58()) {
            page = new CCfgW58CommonDlg(tab, tabs_);
        } else {
            page = new CCfgCommonDlg(tab, tabs_);
        }
        pages_[static_cast<std::size_t>(n)] = page;
        tabs_->addTab(page, QStringLiteral("配置%1").arg(n + 1));
    }
    tabs_->setCurrentIndex(0);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry(du.Rect(kOkX, kButtonY, kButtonWidth, kButtonHeight));
    connect(ok, &QPushButton::clicked, this, &CCfgDlg::accept);

    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(du.Rect(kCancelX, kButtonY, kButtonWidth, kButtonHeight));
    connect(cancel, &QPushButton::clicked, this, &CCfgDlg::reject);
}

void CCfgDlg::accept() {
    std::array<const PageControls*, kPresetCount> controls{};
    for (std::size_t n = 0; n < pages_.size(); ++n) controls[n] = pages_[n];
    editor_.Accept(controls, prompter_);
    QDialog::accept();
}

}  // namespace kelvo
