// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the two kinds of preset tab page share: a white page with one label and one
// control per field of its tab, laid out in dialog units, that moves values between its
// controls and the tab's value fields. The tab decides what the values mean.

#include <QWidget>

#include <cstdint>
#include <map>
#include <span>

#include "pages/preset_form.h"

class QComboBox;
class QLineEdit;

namespace kelvo {

// Where a field's label and control sit on the page, in dialog units. The control is
// one row high; the label takes the same row.
struct PresetFieldPlace {
    int labelX;
    int labelWidth;
    int controlX;
    int controlWidth;
    int y;
};

class CPresetTabPage : public QWidget, public PageControls {
    Q_OBJECT
public:
    // `places` holds one entry per field of the tab, in the tab's field order. The page
    // shows the tab's values at once.
    CPresetTabPage(PresetTab& tab, std::span<const PresetFieldPlace> places, QWidget* parent);

    PresetTab& Tab() { return tab_; }

    std::string Text(int controlId) const override;
    void SetText(int controlId, std::string_view text) override;
    int Selection(int controlId) const override;
    void SetSelection(int controlId, int index) override;
    // A preset tab has no date pickers.
    std::int64_t DateTime(int /*controlId*/) const override { return 0; }
    void SetDateTime(int /*controlId*/, std::int64_t /*seconds*/) override {}
    void SetEnabled(int controlId, bool enabled) override;

private:
    void BuildControls(std::span<const PresetFieldPlace> places);

    PresetTab& tab_;
    std::map<int, QLineEdit*> edits_;
    std::map<int, QComboBox*> lists_;
};

}  // namespace kelvo
