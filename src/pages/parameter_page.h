// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The engine behind every parameter page. It keeps one value field per row, moves the
// values between fields and controls, and performs the page's transactions with the
// meter. A button press has three steps: on the window's thread the steps before the
// line (the zero-text step, capturing the values, range prompts, a command's question);
// on the line's worker every exchange with the meter and the messages about it; on the
// window's thread again, showing what was read.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "meter/live_record.h"
#include "meter/meter_identity.h"
#include "pages/page_controls.h"
#include "pages/page_definition.h"
#include "pages/page_session.h"
#include "meter/value_codec.h"

namespace kelvo {

class Prompter;

// A button press after its steps on the window's thread: what remains to do.
struct PageTransaction {
    std::string title;  // for the status line: "读取", "全部读取", a command's label …
    // On the line's worker: every exchange and its messages; the port is closed after.
    std::function<void(PageLine&)> run;
    // On the window's thread once `run` has returned: shows what was read.
    std::function<void()> finish;
};

class ParameterPage {
public:
    // `prompter` shows the messages of the steps on the window's thread.
    ParameterPage(const PageDefinition& definition, PageControls& controls, Prompter& prompter);
    virtual ~ParameterPage() = default;
    ParameterPage(const ParameterPage&) = delete;
    ParameterPage& operator=(const ParameterPage&) = delete;

    const PageDefinition& Definition() const { return definition_; }

    // Shows the initial values in the controls.
    void Initialise();
    bool HasButton(int buttonId) const;
    // The steps of a press on the window's thread; what remains, or nullopt when the
    // press ends here (a prompt, Cancel, no such button).
    std::optional<PageTransaction> Begin(int buttonId);
    // A whole press at once on the calling thread (tests, the command line); false when
    // the page has no such button.
    bool OnButton(int buttonId, PageLine& line);

    // The main window's live view: the page takes its values from the record and shows them.
    void ShowLiveValues(const LiveRecord& record, int paramEncoding);
    // Enables or disables every value control and every button of the page.
    void SetControlsEnabled(bool enabled);
    // The ids SetControlsEnabled acts on, in order.
    std::vector<int> EnabledControlIds() const;

    // Value fields, in row order.
    const FieldValue& Value(std::size_t row) const { return values_.at(row); }
    void SetValue(std::size_t row, const FieldValue& value) { values_.at(row) = value; }
    std::optional<std::size_t> RowOfControl(int controlId) const;
    int ParamEncoding() const { return identity_.paramEncoding; }

    // Refresh every control from its field / every field from its control.
    void ShowValues();
    // Returns the row whose prompt was shown, if a control did not parse or was out of range.
    std::optional<std::size_t> CaptureValues();

protected:
    // "配置N下传": the page's download of its stored preset N (1..5).
    virtual std::optional<PageTransaction> BeginPreset(int /*presetNumber*/) { return std::nullopt; }
    // A page's own other buttons (clock synchronisation).
    virtual std::optional<PageTransaction> BeginSpecial(int /*buttonId*/) { return std::nullopt; }

    // A transaction whose work needs the page's values and encoding as they are now; the
    // outcome comes back to the page.
    using Work = std::function<void(PageSession&)>;
    PageTransaction Transaction(std::string title, Work work);

    Prompter& Messages() { return prompter_; }
    const std::vector<FieldValue>& Values() const { return values_; }

private:
    std::optional<PageTransaction> BeginSingleRead(std::size_t row);
    std::optional<PageTransaction> BeginSingleWrite(std::size_t row);
    std::optional<PageTransaction> BeginDownloadAll();
    std::optional<PageTransaction> BeginCommand(const CommandButton& command);
    void ZeroTextStep();
    void Apply(PageOutcome outcome);

    const PageDefinition& definition_;
    PageControls& controls_;
    Prompter& prompter_;
    MeterIdentity identity_;  // the page's latest identification, or the main window's while connected
    std::vector<FieldValue> values_;
};

}  // namespace kelvo
