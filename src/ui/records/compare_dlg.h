// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "对比参数": a backup file against the meter on the line, or against another file; every
// parameter with both values and the verdict, the differences highlighted and counted,
// and a switch to show only them.

#include <QDialog>

#include <optional>

#include "records/record_compare.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kelvo {

class CRecordsCommands;

class CCompareDlg : public QDialog {
    Q_OBJECT
public:
    CCompareDlg(CRecordsCommands& commands, QWidget* parent = nullptr);

    // Left: the meter (true) or a file; right: always a file.
    void SetSources(bool leftIsMeter, const QString& leftFile, const QString& rightFile);
    // Reads what it needs and shows the comparison.
    void Run();
    void Show(const Comparison& comparison);

private:
    void BuildControls();
    void ApplyFilter();
    void EnableControls();

    CRecordsCommands& commands_;
    QComboBox* left_ = nullptr;
    QLineEdit* leftFile_ = nullptr;
    QPushButton* leftBrowse_ = nullptr;
    QLineEdit* rightFile_ = nullptr;
    QPushButton* run_ = nullptr;
    QCheckBox* onlyDifferences_ = nullptr;
    QLabel* summary_ = nullptr;
    QTableWidget* table_ = nullptr;
    std::optional<Comparison> shown_;
};

}  // namespace kelvo
