#pragma once
// The one view of every parameter page: builds the rows of a PageDefinition as
// controls (caption, value control, 读取, 写入) inside the page's frames, lends the
// controls to the page logic by id, and forwards button presses to it.

#include <QHash>
#include <QPointer>
#include <memory>

#include "messages/prompter.h"
#include "pages/page_controls.h"
#include "pages/parameter_page.h"
#include "pages/views/page_view.h"

class QComboBox;
class QDateTimeEdit;
class QGridLayout;
class QLineEdit;
class QPushButton;

namespace kelvo {

class CParameterPageView : public CPageView, private PageControls {
    Q_OBJECT
public:
    // `prompter` shows the page's messages; nullptr gives message boxes over the page.
    CParameterPageView(const PageDefinition& definition, QWidget* parent, Prompter* prompter);
    ~CParameterPageView() override;

    ParameterPage& Page() { return *page_; }
    // Runs a button's transaction as a press would (with the busy cursor).
    void PressButton(int buttonId);

protected:
    // Called once by the concrete page after construction: builds the page logic.
    void AttachPage(std::unique_ptr<ParameterPage> page);
    PageControls& Controls() { return *this; }
    Prompter& Messages() { return *prompter_; }

    void DoSetControlsEnabled(bool enabled) override;
    void DoShowLiveValues(const LiveRecord& record, int paramEncoding) override;

private:
    void BuildControls(const PageDefinition& definition);
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

    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_;
    QHash<int, QPointer<QWidget>> controls_;
    std::unique_ptr<ParameterPage> page_;
};

}  // namespace kelvo
