// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "恢复参数": which parameters of a backup go to the meter. Every parameter is listed with
// its value; those that belong to one meter start unticked and are named apart.

#include <QDialog>

#include <vector>

#include "records/restore.h"

class QTableWidget;

namespace kelvo {

class CRestoreDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRestoreDlg(const MeterRecord& record, QWidget* parent = nullptr);

    // The choices as ticked now.
    std::vector<RestoreChoice> Choices() const;
    void SetTicked(std::string_view name, bool ticked);

private:
    std::vector<RestoreChoice> choices_;
    QTableWidget* table_ = nullptr;
};

}  // namespace kelvo
