// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/records/restore_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "meter/value_format.h"

namespace kelvo {
namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CRestoreDlg::CRestoreDlg(const MeterRecord& record, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("restoreRecords"));
    setWindowTitle(QStringLiteral("恢复参数"));
    std::vector<std::string> unknown;
    choices_ = RestoreChoices(record, {}, unknown);

    auto* layout = new QVBoxLayout(this);
    auto* about = new QLabel(QStringLiteral("备份：型号 %1，版本 %2，读取于 %3。勾选的参数中与仪表不同的将写入仪表，然后读回核对。")
                                 .arg(Q(record.model), Q(record.version), Q(record.taken)),
                             this);
    about->setWordWrap(true);
    layout->addWidget(about);
    QStringList perMeter;
    for (const RestoreChoice& choice : choices_) {
        if (choice.parameter->perMeter) perMeter << Q(choice.parameter->label);
    }
    if (!perMeter.isEmpty()) {
        auto* note = new QLabel(QStringLiteral("默认不恢复（属于单台仪表）：%1").arg(perMeter.join(QStringLiteral("、"))), this);
        note->setObjectName(QStringLiteral("restorePerMeter"));
        note->setWordWrap(true);
        layout->addWidget(note);
    }

    table_ = new QTableWidget(static_cast<int>(choices_.size()), 4, this);
    table_->setObjectName(QStringLiteral("restoreTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("参数"), QStringLiteral("名称"), QStringLiteral("值"), QStringLiteral("单位")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < static_cast<int>(choices_.size()); ++r) {
        const RestoreChoice& choice = choices_[static_cast<std::size_t>(r)];
        auto* label = new QTableWidgetItem(Q(choice.parameter->label));
        label->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        label->setCheckState(choice.selected ? Qt::Checked : Qt::Unchecked);
        table_->setItem(r, 0, label);
        table_->setItem(r, 1, new QTableWidgetItem(Q(choice.parameter->name)));
        const RecordedValue* recorded = record.Find(choice.parameter->name);
        // A value the file's registers do not stand for is shown as the file writes it, marked:
        // ticked, it is reported as not written.
        const QString value = choice.decoded ? Q(ValueText(*choice.parameter, choice.value))
                                             : QStringLiteral("%1（无法解读）").arg(Q(recorded->value));
        table_->setItem(r, 2, new QTableWidgetItem(value));
        table_->setItem(r, 3, new QTableWidgetItem(Q(recorded->unit)));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* restore = buttons->addButton(QStringLiteral("恢复"), QDialogButtonBox::AcceptRole);
    restore->setObjectName(QStringLiteral("restoreRun"));
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("restoreCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 560);
}

std::vector<RestoreChoice> CRestoreDlg::Choices() const {
    std::vector<RestoreChoice> choices = choices_;
    for (int r = 0; r < table_->rowCount(); ++r) {
        choices[static_cast<std::size_t>(r)].selected = table_->item(r, 0)->checkState() == Qt::Checked;
    }
    return choices;
}

void CRestoreDlg::SetTicked(std::string_view name, bool ticked) {
    for (int r = 0; r < table_->rowCount(); ++r) {
        if (choices_[static_cast<std::size_t>(r)].parameter->name == name) {
            table_->item(r, 0)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
        }
    }
}

}  // namespace kelvo
