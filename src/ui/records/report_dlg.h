// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "调试报告": who commissions where (asked once, remembered) and the file the report goes
// to, a PDF or an HTML page.

#include <QDialog>

#include "settings/settings.h"

class QLineEdit;

namespace kelvo {

class CRecordsCommands;

class CReportDlg : public QDialog {
    Q_OBJECT
public:
    CReportDlg(const ReportPeople& people, CRecordsCommands& commands, QWidget* parent = nullptr);

    ReportPeople People() const;
    QString Path() const;

    void accept() override;

private:
    QLineEdit* technician_ = nullptr;
    QLineEdit* site_ = nullptr;
    QLineEdit* path_ = nullptr;
};

}  // namespace kelvo
