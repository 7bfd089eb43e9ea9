// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/preset_tab_page.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

#include <string>
#include <vector>

#include "meter/list_items.h"
#include "ui/dialog_units.h"

namespace kelvo {

namespace {

constexpr int kRowHeight = 12;

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The page and every control on it are painted on white, edit and list fields included.
void PaintWhite(QWidget& page) {
    QPalette white = page.palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
        white.setColor(role, Qt::white);
    }
    page.setPalette(white);
    page.setAutoFillBackground(true);
}

}  // namespace

CPresetTabPage::CPresetTabPage(PresetTab& tab, std::span<const PresetFieldPlace> places, QWidget* parent)
    : QWidget(parent), tab_(tab) {
    PaintWhite(*this);
    BuildControls(places);
    tab_.Show(*this);
}

void CPresetTabPage::BuildControls(std::span<const PresetFieldPlace> places) {
    const DialogUnits du(font());
    const std::span<const ParamRow> fields = tab_.Fields();
    for (std::size_t i = 0; i < fields.size() && i < places.size(); ++i) {
        const ParamRow& field = fields[i];
        const PresetFieldPlace& place = places[i];

        auto* label = new QLabel(FromUtf8(field.label), this);
        label->setGeometry(du.Rect(place.labelX, place.y, place.labelWidth, kRowHeight));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

        QWidget* control = nullptr;
        if (field.control == Control::List) {
            auto* list = new QComboBox(this);
            for (const std::string& item : ListItems(field)) list->addItem(QString::fromStdString(item));
            lists_[field.controlId] = list;
            control = list;
        } else {
            auto* edit = new QLineEdit(this);
            edits_[field.controlId] = edit;
            control = edit;
        }
        control->setObjectName(QString::number(field.controlId));
        control->setGeometry(du.Rect(place.controlX, place.y, place.controlWidth, kRowHeight));
        label->setBuddy(control);
        if (field.hidden) {
            label->hide();
            control->hide();
        }
    }
}

std::string CPresetTabPage::Text(int controlId) const { return edits_.at(controlId)->text().toStdString(); }

void CPresetTabPage::SetText(int controlId, std::string_view text) { edits_.at(controlId)->setText(FromUtf8(text)); }

int CPresetTabPage::Selection(int controlId) const { return lists_.at(controlId)->currentIndex(); }

void CPresetTabPage::SetSelection(int controlId, int index) {
    QComboBox* list = lists_.at(controlId);
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void CPresetTabPage::SetEnabled(int controlId, bool enabled) {
    if (auto* control = findChild<QWidget*>(QString::number(controlId))) control->setEnabled(enabled);
}

}  // namespace kelvo
