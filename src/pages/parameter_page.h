#pragma once
// The engine behind every parameter page. It keeps one value field per row, moves the
// values between fields and controls, and performs the page's transactions with the
// meter, each one self-contained: load the serial settings, open the port, a few
// requests, close the port.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "link/modbus_rtu.h"
#include "monitor/live_record.h"
#include "monitor/meter_identity.h"
#include "pages/page_controls.h"
#include "pages/page_definition.h"
#include "pages/row_codec.h"

namespace kelvo {

class Prompter;

class ParameterPage {
public:
    ParameterPage(const PageDefinition& definition, PageControls& controls, Prompter& prompter);
    virtual ~ParameterPage() = default;
    ParameterPage(const ParameterPage&) = delete;
    ParameterPage& operator=(const ParameterPage&) = delete;

    const PageDefinition& Definition() const { return definition_; }

    // Shows the initial values in the controls.
    void Initialise();
    // Runs the transaction of a button; false when the page has no such button.
    bool OnButton(int buttonId);

    // The main window's live view: the page takes its values from the record and shows them.
    void ShowLiveValues(const LiveRecord& record, int paramEncoding);
    // Enables or disables every value control and every button of the page.
    void SetControlsEnabled(bool enabled);
    // The page's requests and answers go to `log` (none: nullptr).
    void AttachTrafficLog(TrafficLog* log) { link_.SetTrafficLog(log, TrafficSource::Page); }
    // A disconnect does not wait for the meter's answer in flight: the page sends nothing
    // before `at`, so that no transaction of its own is met by that answer.
    void SetLineQuietAt(std::chrono::steady_clock::time_point at) { lineQuietAt_ = at; }
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
    virtual void DownloadPreset(int /*presetNumber*/) {}
    // A page's own other buttons (clock synchronisation); true when handled.
    virtual bool OnSpecialButton(int /*buttonId*/) { return false; }

    void SingleRead(std::size_t row);
    void SingleWrite(std::size_t row);
    void ReadAll();
    void DownloadAll();
    void CommandWrite(const CommandButton& command);

    // Steps shared by the page's own transactions.
    // Loads the serial settings and opens the port; on failure the message is shown
    // and the port closed.
    bool OpenTransaction(CodecContext& context);
    // Identifies the meter on the page's link; on failure it has shown its message and
    // closed the port.
    bool IdentifyMeterOnLink(CodecContext& context);
    // Encodes the rows of the download blocks from `values`; on failure shows the message
    // and closes the port.
    bool EncodeDownload(const std::vector<FieldValue>& values, const CodecContext& context, WireImage& image);
    // Writes the download blocks with the pauses between them, shows the outcome and
    // closes the port.
    void WriteDownloadBlocks(const WireImage& image);
    // A register word that goes out as given rather than through its row's mapping.
    struct StoredWord {
        std::uint16_t reg;
        int value;  // its low 16 bits are sent
    };
    // Downloads `values` in place of the page's fields (a stored preset), on an open port:
    // a value the registers cannot carry is refused and nothing is sent; otherwise
    // `question` is asked with the port held, and Cancel closes it with nothing sent.
    void DownloadInPlaceOfFields(const std::vector<FieldValue>& values, std::string_view question,
                                 const CodecContext& context, std::span<const StoredWord> storedAsIs = {});
    // The first refusal among the rows of the download blocks, already shown.
    bool RefuseUnsendable(const std::vector<FieldValue>& values, const CodecContext& context,
                          std::optional<std::size_t> alreadyPrompted);
    void ZeroTextStep();

    CDMRJly& Link() { return link_; }
    Prompter& Messages() { return prompter_; }
    const std::vector<FieldValue>& Values() const { return values_; }

private:
    void DecodeRowsInside(const LiveRecord& host, std::uint16_t start, int byteCount, const CodecContext& context);

    const PageDefinition& definition_;
    PageControls& controls_;
    Prompter& prompter_;
    CDMRJly link_;
    MeterIdentity identity_;  // the page's latest identification, or the main window's while connected
    std::vector<FieldValue> values_;
    std::chrono::steady_clock::time_point lineQuietAt_{};
};

}  // namespace kelvo
