// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one view of every parameter page: builds the rows of a PageDefinition as controls
// (caption, value control, 读取, 写入) inside the page's frames, lends the controls to
// the page logic by id, forwards button presses to it, and is what the main window
// puts into a tab: a widget it can lock while the live connection polls and that
// follows the live values. The page's name in the meter's tool family ("CW58FlowCfgDlg")
// is its property "className"; its dialog id is its object name.

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "messages/prompter.h"
#include "meter/live_record.h"
#include "pages/page_controls.h"
#include "pages/parameter_page.h"

class QGridLayout;
class QPushButton;

namespace kelvo {

class CLineRunner;

class CParameterPageView : public QWidget, private PageControls {
    Q_OBJECT
    Q_PROPERTY(QString className READ ClassName CONSTANT)

public:
    // `prompter` shows the page's messages; nullptr gives message boxes over the page.
    // Its transactions run on the line by `runner` (nullptr: its buttons start nothing).
    CParameterPageView(const PageDefinition& definition, QWidget* parent, Prompter* prompter, CLineRunner* runner);
    ~CParameterPageView() override;

    ParameterPage& Page() { return *page_; }
    QString ClassName() const;

    // Starts a button's transaction as a press does: its steps before the line here,
    // the rest on the line. Refused while the runner is busy with another.
    void PressButton(int buttonId);
    // Large enough for every frame of the page without scrolling.
    QSize sizeHint() const override;

    // Enables or disables every value control and every button of the page.
    void SetControlsEnabled(bool enabled);
    // Takes the page's values from a private copy of the live record and shows them.
    // paramEncoding is the main window's ParamEncoding (only the generic page uses it).
    void ShowLiveValues(const LiveRecord& record, int paramEncoding);

    bool ControlsEnabled() const { return controlsEnabled_; }
    int LiveUpdates() const { return liveUpdates_; }

private:
    void BuildControls(const PageDefinition& definition);
    QWidget* BuildValueControl(const ParamRow& row, QWidget* parent);
    QPushButton* AddButton(int id, const QString& text, QGridLayout* grid, int row, int column);
    QWidget* Find(int controlId) const;

    // PageControls
    std::string Text(int controlId) const override;
    void SetText(int controlId, std::string_view text) override;
    int Selection(int controlId) const override;
    void SetSelection(int controlId, int index) override;
    std::int64_t DateTime(int controlId) const override;
    void SetDateTime(int controlId, std::int64_t seconds) override;
    void SetEnabled(int controlId, bool enabled) override;

    const PageDefinition& definition_;
    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_;
    CLineRunner* runner_;
    QWidget* content_ = nullptr;  // the frames, inside the page's scroll area
    QHash<int, QPointer<QWidget>> controls_;
    std::unique_ptr<ParameterPage> page_;
    bool controlsEnabled_ = true;
    int liveUpdates_ = 0;
};

}  // namespace kelvo
