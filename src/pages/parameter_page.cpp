#include "pages/parameter_page.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

#include "link/byte_order.h"
#include "messages/prompter.h"
#include "pages/field_form.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

bool NeedsEncoding(const ParamRow& row) {
    return row.mapping == Mapping::EncodedDiameter || row.mapping == Mapping::EncodedFactor;
}

}  // namespace

ParameterPage::ParameterPage(const PageDefinition& definition, PageControls& controls, Prompter& prompter)
    : definition_(definition), controls_(controls), prompter_(prompter), values_(definition.rows.size()) {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        const double initial = definition_.rows[i].initial;
        values_[i] = FieldValue{static_cast<long long>(initial), static_cast<long long>(initial), initial};
    }
}

void ParameterPage::Initialise() { ShowValues(); }

std::optional<std::size_t> ParameterPage::RowOfControl(int controlId) const {
    for (std::size_t i = 0; i < definition_.rows.size(); ++i) {
        const auto& row = definition_.rows[i];
        if (row.controlId == controlId || (row.secondControlId != 0 && row.secondControlId == controlId)) return i;
    }
    return std::nullopt;
}

bool ParameterPage::OnButton(int buttonId) {
    for (std::size_t i = 0; i < definition_.rows.size(); ++i) {
        const auto& row = definition_.rows[i];
        if (row.readButton == buttonId) {
            SingleRead(i);
            return true;
        }
        if (row.writeButton == buttonId) {
            SingleWrite(i);
            return true;
        }
    }
    if (definition_.readAllButton != 0 && buttonId == definition_.readAllButton) {
        ReadAll();
        return true;
    }
    if (definition_.downloadAllButton != 0 && buttonId == definition_.downloadAllButton) {
        DownloadAll();
        return true;
    }
    for (const auto& command : definition_.commands) {
        if (command.buttonId == buttonId) {
            CommandWrite(command);
            return true;
        }
    }
    for (std::size_t i = 0; i < definition_.presetButtons.size(); ++i) {
        if (definition_.presetButtons[i].buttonId == buttonId) {
            DownloadPreset(static_cast<int>(i) + 1);
            return true;
        }
    }
    return OnSpecialButton(buttonId);
}

void ParameterPage::ShowValues() { ShowFields(definition_.rows, values_, controls_); }

std::optional<std::size_t> ParameterPage::CaptureValues() {
    return CaptureFields(definition_.rows, values_, controls_, prompter_);
}

void ParameterPage::ZeroTextStep() {
    for (const auto& row : definition_.rows) {
        if (row.zeroText && controls_.Text(row.controlId) == "0") controls_.SetText(row.controlId, "0.0");
    }
}

std::vector<int> ParameterPage::EnabledControlIds() const {
    if (!definition_.enableOrder.empty()) return {definition_.enableOrder.begin(), definition_.enableOrder.end()};
    std::vector<int> ids;
    ForEachLockedId(definition_, [&ids](int id) { ids.push_back(id); });
    return ids;
}

void ParameterPage::SetControlsEnabled(bool enabled) {
    for (int id : EnabledControlIds()) controls_.SetEnabled(id, enabled);
}

void ParameterPage::ShowLiveValues(const LiveRecord& record, int paramEncoding) {
    identity_.paramEncoding = paramEncoding;
    const CodecContext context{.byteOrderMode = kDefaultByteOrderMode, .paramEncoding = paramEncoding};
    for (std::size_t i = 0; i < definition_.rows.size(); ++i) values_[i] = DecodeRow(definition_.rows[i], record, context);
    ShowValues();
}

bool ParameterPage::OpenTransaction(CodecContext& context) {
    const SerialSettings settings = LoadSerialSettings();
    context.byteOrderMode = settings.byteOrderMode;
    context.paramEncoding = identity_.paramEncoding;
    if (link_.OpenPort(settings) == 0) {
        prompter_.Warn(kOpenPortFailedText, PortErrorText(link_.LastOpenError()));
        link_.ClosePort();
        return false;
    }
    std::this_thread::sleep_until(lineQuietAt_);
    return true;
}

bool ParameterPage::IdentifyMeterOnLink(CodecContext& context) {
    if (IdentifyMeter(link_, prompter_, identity_) == 0) return false;
    context.paramEncoding = identity_.paramEncoding;
    return true;
}

void ParameterPage::SingleRead(std::size_t index) {
    const auto& row = definition_.rows[index];
    CodecContext context;
    if (!OpenTransaction(context)) return;
    std::array<std::uint8_t, 8> wire{};
    if (link_.ReadRegisters(row.reg, static_cast<std::uint16_t>(row.Bytes()), wire.data()) == 0) {
        link_.ClosePort();  // a failed read closes the port before its message
        prompter_.Warn(kReadFailedText);
        return;
    }
    if (NeedsEncoding(row) && !IdentifyMeterOnLink(context)) return;
    LiveRecord host;
    PlaceWireBytes(host, row.reg, wire.data(), row.Bytes(), std::span(&row, 1), context.byteOrderMode);
    values_[index] = DecodeRow(row, host, context);
    ShowValues();
    link_.ClosePort();
}

void ParameterPage::SingleWrite(std::size_t index) {
    const auto& row = definition_.rows[index];
    ZeroTextStep();
    const auto prompted = CaptureValues();
    CodecContext context{.byteOrderMode = kDefaultByteOrderMode, .paramEncoding = identity_.paramEncoding};
    if (const auto refusal = RefusalOf(row, values_[index], context)) {
        if (prompted != index) prompter_.Warn(*refusal);
        return;
    }
    if (!OpenTransaction(context)) return;
    if (NeedsEncoding(row) && !IdentifyMeterOnLink(context)) return;
    std::array<std::uint8_t, 8> wire{};
    if (const auto encoded = EncodeRow(row, values_[index], context, wire.data()); !encoded.ok) {
        prompter_.Warn(encoded.message);
        link_.ClosePort();
        return;
    }
    const bool written = link_.WriteRegisters(row.reg, static_cast<std::uint16_t>(row.Bytes()), wire.data()) != 0;
    const auto failText = row.writeFailText.empty() ? definition_.writeFailText : row.writeFailText;
    prompter_.Warn(written ? kWriteSucceededText : failText);
    link_.ClosePort();
}

void ParameterPage::DecodeRowsInside(const LiveRecord& host, std::uint16_t start, int byteCount,
                                     const CodecContext& context) {
    for (std::size_t i = 0; i < definition_.rows.size(); ++i) {
        if (RowInside(definition_.rows[i], start, byteCount)) values_[i] = DecodeRow(definition_.rows[i], host, context);
    }
}

void ParameterPage::ReadAll() {
    CodecContext context;
    if (!OpenTransaction(context)) return;
    LiveRecord host;
    std::string_view failText;
    for (const auto& block : definition_.readAllBlocks) {
        std::array<std::uint8_t, kChunkBytes> wire{};
        if (link_.ReadRegisters(block.start, block.bytes, wire.data()) == 0) {
            failText = block.failText.empty() ? definition_.readAllFailText : block.failText;
            break;
        }
        PlaceWireBytes(host, block.start, wire.data(), block.bytes, definition_.rows, context.byteOrderMode);
        if (definition_.readAllDecodesEachBlock) DecodeRowsInside(host, block.start, block.bytes, context);
    }
    if (failText.empty() && !definition_.readAllDecodesEachBlock) {
        for (const auto& block : definition_.readAllBlocks) DecodeRowsInside(host, block.start, block.bytes, context);
    }
    prompter_.Warn(failText.empty() ? kReadAllSucceededText : failText);
    link_.ClosePort();
    ShowValues();
}

bool ParameterPage::RefuseUnsendable(const std::vector<FieldValue>& values, const CodecContext& context,
                                     std::optional<std::size_t> alreadyPrompted) {
    for (std::size_t i = 0; i < definition_.rows.size(); ++i) {
        const auto& row = definition_.rows[i];
        const bool downloaded = std::any_of(definition_.downloadBlocks.begin(), definition_.downloadBlocks.end(),
                                            [&row](const BatchBlock& b) { return RowInside(row, b.start, b.bytes); });
        if (!downloaded) continue;
        if (const auto refusal = RefusalOf(row, values[i], context)) {
            if (alreadyPrompted != i) prompter_.Warn(*refusal);
            return true;
        }
    }
    return false;
}

bool ParameterPage::EncodeDownload(const std::vector<FieldValue>& values, const CodecContext& context,
                                   WireImage& image) {
    for (std::size_t i = 0; i < definition_.rows.size(); ++i) {
        const auto& row = definition_.rows[i];
        for (const auto& block : definition_.downloadBlocks) {
            if (!RowInside(row, block.start, block.bytes)) continue;
            if (const auto encoded = EncodeRow(row, values[i], context, image.At(row.reg)); !encoded.ok) {
                prompter_.Warn(encoded.message);
                link_.ClosePort();
                return false;
            }
            break;
        }
    }
    return true;
}

void ParameterPage::WriteDownloadBlocks(const WireImage& image) {
    bool first = true;
    for (const auto& block : definition_.downloadBlocks) {
        if (!first) std::this_thread::sleep_for(std::chrono::milliseconds(kBatchPauseMs));
        first = false;
        if (link_.WriteRegisters(block.start, block.bytes, image.At(block.start)) == 0) {
            prompter_.Warn(block.failText.empty() ? definition_.downloadFailText : block.failText);
            link_.ClosePort();
            return;
        }
    }
    prompter_.Warn(kDownloadSucceededText);
    link_.ClosePort();
}

void ParameterPage::DownloadInPlaceOfFields(const std::vector<FieldValue>& values, std::string_view question,
                                            const CodecContext& context, std::span<const StoredWord> storedAsIs) {
    if (RefuseUnsendable(values, context, std::nullopt) || !prompter_.Confirm(question)) {
        link_.ClosePort();
        return;
    }
    WireImage image;
    if (!EncodeDownload(values, context, image)) return;
    for (const StoredWord& word : storedAsIs) {
        const std::array<std::uint8_t, 2> wire = {static_cast<std::uint8_t>((word.value >> 8) & 0xFF),
                                                  static_cast<std::uint8_t>(word.value & 0xFF)};
        std::copy(wire.begin(), wire.end(), image.At(word.reg));
    }
    WriteDownloadBlocks(image);
}

void ParameterPage::DownloadAll() {
    ZeroTextStep();
    const auto prompted = CaptureValues();
    CodecContext context{.byteOrderMode = kDefaultByteOrderMode, .paramEncoding = identity_.paramEncoding};
    if (RefuseUnsendable(values_, context, prompted)) return;
    if (!OpenTransaction(context)) return;
    if (definition_.identifyBeforeDownload && !IdentifyMeterOnLink(context)) return;
    WireImage image;
    if (!EncodeDownload(values_, context, image)) return;
    WriteDownloadBlocks(image);
}

void ParameterPage::CommandWrite(const CommandButton& command) {
    if (!prompter_.Confirm(command.question)) return;
    CodecContext context;
    if (!OpenTransaction(context)) return;
    const std::array<std::uint8_t, 2> wire = {static_cast<std::uint8_t>(command.value >> 8),
                                              static_cast<std::uint8_t>(command.value & 0xFF)};
    const bool written = link_.WriteRegisters(command.reg, 2, wire.data()) != 0;
    prompter_.Warn(written ? command.successText : command.failText);
    link_.ClosePort();
}

}  // namespace kelvo
