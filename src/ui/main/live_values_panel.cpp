// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/live_values_panel.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QString>

#include "ui/dialog_units.h"

namespace kelvo {

namespace {

constexpr int kLabelX = 18, kLabelWidth = 45;
constexpr int kFieldX = 64, kFieldWidth = 78, kFieldHeight = 13;
// The status line sits in the strip above the data group, right of the toolbar.
constexpr QRect kStatusLine(52, 5, 108, 12);

struct FieldRow {
    LiveField field;
    int labelId;  // 0: the label has no id
    const char* label;
    int y;
};

constexpr FieldRow kFlowRows[] = {
    {kFlowField, 0, "瞬时流量", 41},    {kVelocityField, 0, "瞬时流速", 57}, {kPercentField, 0, "流量百分比", 73},
    {kMtField, 0, "MT", 89},            {kForwardField, 0, "正向累积", 105}, {kReverseField, 0, "反向累积", 121},
    {kAlarmField, 0, "报警", 137},
};

constexpr FieldRow kHeatRows[] = {
    {kHeatPowerField, 1063, "瞬时热量", 178},  {kSupplyTempField, 1065, "进温(℃)", 194},
    {kReturnTempField, 1067, "出温(℃)", 210},  {kHeatTotalField, 1068, "热量累积", 227},
    {kColdTotalField, 1070, "冷量累积", 243},
};

QString IdName(int id) { return QString::number(id); }

QGroupBox* MakeGroup(QWidget* parent, const DialogUnits& du, const char* title, QRect dlu) {
    auto* group = new QGroupBox(QString::fromUtf8(title), parent);
    group->setGeometry(du.Rect(dlu.x(), dlu.y(), dlu.width(), dlu.height()));
    return group;
}

}  // namespace

LiveValuesPanel::LiveValuesPanel(QWidget* parent, const DialogUnits& du) {
    // The group boxes are siblings of the fields and created first, so that the
    // fields lie above their frames.
    MakeGroup(parent, du, "数据采集", QRect(7, 21, 153, 250));
    MakeGroup(parent, du, "流量", QRect(15, 31, 137, 125));
    QGroupBox* heatGroup = MakeGroup(parent, du, "热量", QRect(15, 166, 137, 98));
    heatGroup->setObjectName(IdName(1071));

    std::size_t heatIndex = 0;
    heatControls_[heatIndex++] = heatGroup;
    const auto addRow = [&](const FieldRow& row, bool heat) {
        auto* label = new QLabel(QString::fromUtf8(row.label), parent);
        label->setGeometry(du.Rect(kLabelX, row.y + 2, kLabelWidth, kFieldHeight - 2));
        if (row.labelId != 0) label->setObjectName(IdName(row.labelId));
        auto* field = new QLineEdit(parent);
        field->setReadOnly(true);
        field->setObjectName(IdName(kLiveFieldControlIds[static_cast<std::size_t>(row.field)]));
        field->setGeometry(du.Rect(kFieldX, row.y, kFieldWidth, kFieldHeight));
        fields_[static_cast<std::size_t>(row.field)] = field;
        if (heat) {
            heatControls_[heatIndex++] = label;
            heatControls_[heatIndex++] = field;
        }
    };
    for (const FieldRow& row : kFlowRows) addRow(row, false);
    for (const FieldRow& row : kHeatRows) addRow(row, true);
    SetHeatGroupVisible(false);

    status_ = new QLabel(parent);
    status_->setObjectName(QStringLiteral("liveStatus"));
    status_->setGeometry(du.Rect(kStatusLine.x(), kStatusLine.y(), kStatusLine.width(), kStatusLine.height()));
    status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette alarm = status_->palette();
    alarm.setColor(QPalette::WindowText, Qt::red);
    status_->setPalette(alarm);
    status_->hide();
}

void LiveValuesPanel::ShowTexts(const LiveTexts& texts) {
    for (std::size_t i = 0; i < fields_.size(); ++i) fields_[i]->setText(QString::fromStdString(texts[i]));
}

void LiveValuesPanel::ShowStatus(const LiveStatus& status) {
    for (QLineEdit* field : fields_) {
        if (field->property("stale").toBool() == status.stale) continue;
        field->setProperty("stale", status.stale);
        // A palette with only the text colour set; an empty one hands everything back
        // to the window's palette.
        QPalette palette;
        if (status.stale) palette.setColor(QPalette::Text, field->palette().color(QPalette::Disabled, QPalette::Text));
        field->setPalette(palette);
    }
    status_->setText(QString::fromStdString(status.text));
    status_->setVisible(!status.text.empty());
}

void LiveValuesPanel::SetHeatGroupVisible(bool visible) {
    for (QWidget* control : heatControls_) control->setVisible(visible);
}

}  // namespace kelvo
