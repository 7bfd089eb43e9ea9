// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The part of a page's transaction that talks to the meter, on the line's worker: open
// the port with the transaction's settings, identify the meter where the encoding needs
// it, read or write, tell the user the outcome and why, close the port. It works on
// copies of the page's values and hands what it read back in a PageOutcome, which the
// page shows on the window's thread afterwards.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/modbus_rtu.h"
#include "messages/prompter.h"
#include "meter/meter_identity.h"
#include "pages/page_definition.h"
#include "meter/value_codec.h"
#include "settings/settings.h"

namespace kelvo {

// What a page's work needs of the line while it runs.
struct PageLine {
    CDMRJly& link;
    SerialSettings settings;  // of this transaction
    Prompter& messages;       // its messages and questions, in order
    // How far it has come, e.g. the third of seven blocks (may be empty).
    std::function<void(int done, int total)> progress = {};
};

// What the worker hands back to the page.
struct PageOutcome {
    std::vector<std::optional<FieldValue>> values;  // per row: the value read, if any
    std::optional<MeterIdentity> identity;          // the meter identified on the way
    bool showValues = false;                        // refresh the controls afterwards
};

// Texts of a transaction the user cancelled.
inline constexpr std::string_view kDownloadCancelledText = "下传已取消";
inline constexpr std::string_view kWriteCancelledText = "写入已取消";

class PageSession {
public:
    PageSession(const PageDefinition& definition, PageLine& line, int paramEncoding);

    // Opens the port with the transaction's settings. On failure shows "打开串口失败！"
    // and why, closes the port and returns false.
    bool Open();
    // Identifies the meter on the open port; on failure it has shown its message and
    // closed the port. The identity goes into the outcome.
    bool Identify();
    void Close() { line_.link.ClosePort(); }

    const PageDefinition& Definition() const { return definition_; }
    CDMRJly& Link() { return line_.link; }
    Prompter& Messages() { return line_.messages; }
    const CodecContext& Context() const { return context_; }
    PageOutcome& Outcome() { return outcome_; }
    PageOutcome TakeOutcome() { return std::move(outcome_); }
    void Progress(int done, int total) {
        if (line_.progress) line_.progress(done, total);
    }

    // Reads one row; on failure closes the port, then shows "读取失败" and why.
    std::optional<FieldValue> ReadRow(std::size_t row);
    // Reads the page's read-all blocks into the outcome, shows "读取成功" or the failure
    // text and why (nothing when cancelled), closes the port.
    void ReadAll();
    // Encodes the rows of the download blocks from `values`; on failure shows the
    // message and closes the port.
    bool EncodeDownload(const std::vector<FieldValue>& values, WireImage& image);
    // Writes the download blocks with the pauses between them, shows the outcome (which
    // blocks went out, when cancelled) and closes the port.
    void WriteDownloadBlocks(const WireImage& image);
    // Writes `bytes` to the registers from `reg`; shows `successText` or `failText` with
    // why (or what went out, when cancelled) and closes the port.
    void WriteAndReport(std::uint16_t reg, std::span<const std::uint8_t> bytes, std::string_view successText,
                        std::string_view failText);

private:
    void DecodeRowsInside(const LiveRecord& host, std::uint16_t start, int byteCount);

    const PageDefinition& definition_;
    PageLine& line_;
    CodecContext context_;
    PageOutcome outcome_;
};

// The first refusal among the rows of the download blocks, shown unless it is the row
// whose prompt `alreadyPrompted` names.
bool RefuseUnsendable(const PageDefinition& definition, const std::vector<FieldValue>& values,
                      const CodecContext& context, std::optional<std::size_t> alreadyPrompted, Prompter& prompter);

// A register word that goes out as given rather than through its row's mapping.
struct StoredWord {
    std::uint16_t reg;
    int value;  // its low 16 bits are sent
};

// Downloads `values` in place of the page's fields (a stored preset) on the session's
// open port: a value the registers cannot carry is refused and nothing is sent;
// otherwise `question` is asked with the port held, and Cancel closes it with nothing sent.
void DownloadInPlaceOfFields(PageSession& session, const std::vector<FieldValue>& values, std::string_view question,
                             std::span<const StoredWord> storedAsIs = {});

}  // namespace kelvo
