// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/records/report_dlg.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/records/records_commands.h"

namespace kelvo {

CReportDlg::CReportDlg(const ReportPeople& people, CRecordsCommands& commands, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("commissioningReport"));
    setWindowTitle(QStringLiteral("调试报告"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    technician_ = new QLineEdit(QString::fromStdString(people.technician), this);
    technician_->setObjectName(QStringLiteral("reportTechnician"));
    site_ = new QLineEdit(QString::fromStdString(people.site), this);
    site_->setObjectName(QStringLiteral("reportSite"));
    form->addRow(QStringLiteral("技术员："), technician_);
    form->addRow(QStringLiteral("现场："), site_);
    auto* fileRow = new QHBoxLayout;
    path_ = new QLineEdit(QDir::home().filePath(
                              QStringLiteral("kelvo-调试报告-%1.pdf")
                                  .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))),
                          this);
    path_->setObjectName(QStringLiteral("reportFile"));
    auto* browse = new QPushButton(QStringLiteral("浏览..."), this);
    browse->setObjectName(QStringLiteral("reportBrowse"));
    browse->setAutoDefault(false);
    fileRow->addWidget(path_, 1);
    fileRow->addWidget(browse);
    form->addRow(QStringLiteral("报告文件："), fileRow);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("生成"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("reportRun"));
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CReportDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, [this, &commands] {
        const QString path = commands.Choose(QStringLiteral("调试报告"), path_->text(),
                                             QStringLiteral("PDF 文件 (*.pdf);;网页 (*.html)"), true);
        if (!path.isEmpty()) path_->setText(path);
    });
    resize(520, 180);
}

ReportPeople CReportDlg::People() const {
    return {.technician = technician_->text().trimmed().toStdString(), .site = site_->text().trimmed().toStdString()};
}

QString CReportDlg::Path() const { return path_->text().trimmed(); }

void CReportDlg::accept() {
    if (Path().isEmpty()) return;
    QDialog::accept();
}

}  // namespace kelvo
