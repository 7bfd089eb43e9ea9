// SPDX-License-Identifier: GPL-3.0-or-later
#include "pages/parameter_page.h"

#include <algorithm>
#include <array>
#include <memory>

#include "messages/prompter.h"
#include "pages/field_form.h"
#include "link/byte_order.h"

namespace kelvo {

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

bool ParameterPage::HasButton(int buttonId) const {
    if (buttonId == 0) return false;
    bool found = false;
    ForEachPageId(definition_, true, [&found, buttonId](int id) { found = found || id == buttonId; });
    // Value controls carry ids too, but pressing one starts nothing.
    return found && !RowOfControl(buttonId).has_value();
}

std::optional<PageTransaction> ParameterPage::Begin(int buttonId) {
    for (std::size_t i = 0; i < definition_.rows.size(); ++i) {
        const auto& row = definition_.rows[i];
        if (row.readButton != 0 && row.readButton == buttonId) return BeginSingleRead(i);
        if (row.writeButton != 0 && row.writeButton == buttonId) return BeginSingleWrite(i);
    }
    if (definition_.readAllButton != 0 && buttonId == definition_.readAllButton) {
        return Transaction("全部读取", [](PageSession& session) {
            if (session.Open()) session.ReadAll();
        });
    }
    if (definition_.downloadAllButton != 0 && buttonId == definition_.downloadAllButton) return BeginDownloadAll();
    for (const auto& command : definition_.commands) {
        if (command.buttonId == buttonId) return BeginCommand(command);
    }
    for (std::size_t i = 0; i < definition_.presetButtons.size(); ++i) {
        if (definition_.presetButtons[i].buttonId == buttonId) return BeginPreset(static_cast<int>(i) + 1);
    }
    return BeginSpecial(buttonId);
}

bool ParameterPage::OnButton(int buttonId, PageLine& line) {
    if (!HasButton(buttonId)) return false;
    if (std::optional<PageTransaction> transaction = Begin(buttonId)) {
        transaction->run(line);
        transaction->finish();
    }
    return true;
}

PageTransaction ParameterPage::Transaction(std::string title, Work work) {
    auto outcome = std::make_shared<PageOutcome>();
    const PageDefinition& definition = definition_;
    const int paramEncoding = identity_.paramEncoding;
    return {.title = std::move(title),
            .run = [&definition, paramEncoding, work = std::move(work), outcome](PageLine& line) {
                PageSession session(definition, line, paramEncoding);
                work(session);
                *outcome = session.TakeOutcome();
            },
            .finish = [this, outcome] { Apply(std::move(*outcome)); }};
}

void ParameterPage::Apply(PageOutcome outcome) {
    for (std::size_t i = 0; i < outcome.values.size() && i < values_.size(); ++i) {
        if (outcome.values[i]) values_[i] = *outcome.values[i];
    }
    if (outcome.identity) identity_ = *outcome.identity;
    if (outcome.showValues) ShowValues();
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

std::optional<PageTransaction> ParameterPage::BeginSingleRead(std::size_t row) {
    return Transaction("读取 " + std::string(definition_.rows[row].label), [row](PageSession& session) {
        if (!session.Open()) return;
        if (const std::optional<FieldValue> value = session.ReadRow(row)) {
            session.Outcome().values[row] = value;
            session.Outcome().showValues = true;
            session.Close();
        }
    });
}

std::optional<PageTransaction> ParameterPage::BeginSingleWrite(std::size_t row) {
    const ParamRow& target = definition_.rows[row];
    ZeroTextStep();
    const auto prompted = CaptureValues();
    const CodecContext context{.byteOrderMode = kDefaultByteOrderMode, .paramEncoding = identity_.paramEncoding};
    if (const auto refusal = RefusalOf(target, values_[row], context)) {
        if (prompted != row) prompter_.Warn(*refusal);
        return std::nullopt;
    }
    return Transaction("写入 " + std::string(target.label), [row, value = values_[row]](PageSession& session) {
        const ParamRow& written = session.Definition().rows[row];
        if (!session.Open()) return;
        if (written.DependsOnEncoding() && !session.Identify()) return;
        std::array<std::uint8_t, 8> wire{};
        if (const auto encoded = EncodeRow(written, value, session.Context(), wire.data()); !encoded.ok) {
            session.Messages().Warn(encoded.message);
            session.Close();
            return;
        }
        const auto failText =
            written.writeFailText.empty() ? session.Definition().writeFailText : written.writeFailText;
        session.WriteAndReport(written.reg, std::span(wire).first(static_cast<std::size_t>(written.Bytes())),
                               kWriteSucceededText, failText);
    });
}

std::optional<PageTransaction> ParameterPage::BeginDownloadAll() {
    ZeroTextStep();
    const auto prompted = CaptureValues();
    const CodecContext context{.byteOrderMode = kDefaultByteOrderMode, .paramEncoding = identity_.paramEncoding};
    if (RefuseUnsendable(definition_, values_, context, prompted, prompter_)) return std::nullopt;
    return Transaction("全部下传", [values = values_](PageSession& session) {
        if (!session.Open()) return;
        if (session.Definition().identifyBeforeDownload && !session.Identify()) return;
        WireImage image;
        if (!session.EncodeDownload(values, image)) return;
        session.WriteDownloadBlocks(image);
    });
}

std::optional<PageTransaction> ParameterPage::BeginCommand(const CommandButton& command) {
    if (!prompter_.Confirm(command.question)) return std::nullopt;
    return Transaction(std::string(command.label), [&command](PageSession& session) {
        if (!session.Open()) return;
        const std::array<std::uint8_t, 2> wire = {static_cast<std::uint8_t>(command.value >> 8),
                                                  static_cast<std::uint8_t>(command.value & 0xFF)};
        session.WriteAndReport(command.reg, wire, command.successText, command.failText);
    });
}

}  // namespace kelvo
