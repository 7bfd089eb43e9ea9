// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/records/compare_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/records/records_commands.h"

namespace kelvo {
namespace {

enum Column { kLabelColumn, kNameColumn, kLeftColumn, kRightColumn, kUnitColumn, kVerdictColumn, kColumnCount };

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

CCompareDlg::CCompareDlg(CRecordsCommands& commands, QWidget* parent) : QDialog(parent), commands_(commands) {
    setObjectName(QStringLiteral("compareRecords"));
    setWindowTitle(QStringLiteral("对比参数"));
    BuildControls();
    EnableControls();
}

void CCompareDlg::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* leftRow = new QHBoxLayout;
    left_ = new QComboBox(this);
    left_->setObjectName(QStringLiteral("compareLeft"));
    left_->addItems({QStringLiteral("仪表（当前串口设置）"), QStringLiteral("备份文件")});
    leftFile_ = new QLineEdit(this);
    leftFile_->setObjectName(QStringLiteral("compareLeftFile"));
    leftBrowse_ = Button("浏览...", "compareLeftBrowse", this);
    leftRow->addWidget(left_);
    leftRow->addWidget(leftFile_, 1);
    leftRow->addWidget(leftBrowse_);
    form->addRow(QStringLiteral("左："), leftRow);
    auto* rightRow = new QHBoxLayout;
    rightFile_ = new QLineEdit(this);
    rightFile_->setObjectName(QStringLiteral("compareRightFile"));
    auto* rightBrowse = Button("浏览...", "compareRightBrowse", this);
    rightRow->addWidget(rightFile_, 1);
    rightRow->addWidget(rightBrowse);
    form->addRow(QStringLiteral("右（备份文件）："), rightRow);
    layout->addLayout(form);

    auto* actions = new QHBoxLayout;
    run_ = Button("对比", "compareRun", this);
    onlyDifferences_ = new QCheckBox(QStringLiteral("只显示不同的参数"), this);
    onlyDifferences_->setObjectName(QStringLiteral("compareOnlyDifferences"));
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("compareSummary"));
    actions->addWidget(run_);
    actions->addWidget(onlyDifferences_);
    actions->addWidget(summary_, 1);
    layout->addLayout(actions);

    table_ = new QTableWidget(0, kColumnCount, this);
    table_->setObjectName(QStringLiteral("compareTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("参数"), QStringLiteral("名称"), QStringLiteral("左"),
                                       QStringLiteral("右"), QStringLiteral("单位"), QStringLiteral("结果")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);
    auto* close = Button("关闭", "compareClose", this);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(760, 560);

    const auto browse = [this](QLineEdit* edit) {
        const QString path = commands_.Choose(QStringLiteral("选择备份文件"), edit->text(), QStringLiteral("参数备份 (*.ini)"), false);
        if (!path.isEmpty()) edit->setText(path);
    };
    connect(leftBrowse_, &QPushButton::clicked, this, [this, browse] { browse(leftFile_); });
    connect(rightBrowse, &QPushButton::clicked, this, [this, browse] { browse(rightFile_); });
    connect(left_, &QComboBox::currentIndexChanged, this, &CCompareDlg::EnableControls);
    connect(leftFile_, &QLineEdit::textChanged, this, &CCompareDlg::EnableControls);
    connect(rightFile_, &QLineEdit::textChanged, this, &CCompareDlg::EnableControls);
    connect(run_, &QPushButton::clicked, this, &CCompareDlg::Run);
    connect(onlyDifferences_, &QCheckBox::toggled, this, &CCompareDlg::ApplyFilter);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void CCompareDlg::EnableControls() {
    const bool leftIsMeter = left_->currentIndex() == 0;
    leftFile_->setEnabled(!leftIsMeter);
    leftBrowse_->setEnabled(!leftIsMeter);
    run_->setEnabled(!rightFile_->text().isEmpty() && (leftIsMeter || !leftFile_->text().isEmpty()));
}

void CCompareDlg::SetSources(bool leftIsMeter, const QString& leftFile, const QString& rightFile) {
    left_->setCurrentIndex(leftIsMeter ? 0 : 1);
    leftFile_->setText(leftFile);
    rightFile_->setText(rightFile);
}

void CCompareDlg::Run() {
    const auto right = commands_.OpenRecord(rightFile_->text());
    if (!right) return;
    const QString rightTitle = QFileInfo(rightFile_->text()).fileName();
    if (left_->currentIndex() == 0) {
        // The dialog may be closed before the meter has answered.
        commands_.ReadMeterThen(QStringLiteral("对比参数"),
                                [self = QPointer<CCompareDlg>(this), right = *right, rightTitle](const MeterRecord& meter,
                                                                                  const SerialSettings&) {
                                    Comparison comparison = Compare(meter, right);
                                    comparison.leftTitle = "仪表";
                                    comparison.rightTitle = rightTitle.toStdString();
                                    if (self) {
                                        self->Show(comparison);
                                    }
                                });
        return;
    }
    const auto left = commands_.OpenRecord(leftFile_->text());
    if (!left) return;
    Comparison comparison = Compare(*left, *right);
    comparison.leftTitle = QFileInfo(leftFile_->text()).fileName().toStdString();
    comparison.rightTitle = rightTitle.toStdString();
    Show(comparison);
}

void CCompareDlg::Show(const Comparison& comparison) {
    shown_ = comparison;
    commands_.SetLastComparison(comparison);
    table_->setHorizontalHeaderItem(kLeftColumn, new QTableWidgetItem(Q(comparison.leftTitle)));
    table_->setHorizontalHeaderItem(kRightColumn, new QTableWidgetItem(Q(comparison.rightTitle)));
    table_->setRowCount(static_cast<int>(comparison.rows.size()));
    for (int r = 0; r < static_cast<int>(comparison.rows.size()); ++r) {
        const CompareRow& row = comparison.rows[static_cast<std::size_t>(r)];
        const QString cells[kColumnCount] = {Q(row.label), Q(row.name), Q(row.left), Q(row.right), Q(row.unit),
                                             Q(VerdictText(row.verdict))};
        const bool differs = row.verdict != CompareVerdict::Same;
        for (int c = 0; c < kColumnCount; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (differs) {
                item->setForeground(Qt::red);
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            table_->setItem(r, c, item);
        }
    }
    summary_->setText(comparison.kindsDiffer ? QStringLiteral("两份记录的仪表类型不同")
                      : comparison.differences == 0
                          ? QStringLiteral("参数相同")
                          : QStringLiteral("共 %1 处不同").arg(comparison.differences));
    table_->resizeColumnsToContents();
    ApplyFilter();
}

void CCompareDlg::ApplyFilter() {
    if (!shown_) return;
    for (int r = 0; r < table_->rowCount(); ++r) {
        const bool same = shown_->rows[static_cast<std::size_t>(r)].verdict == CompareVerdict::Same;
        table_->setRowHidden(r, onlyDifferences_->isChecked() && same);
    }
}

}  // namespace kelvo
