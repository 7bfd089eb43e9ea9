// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/restore.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string_view>

#include "messages/failure_text.h"
#include "meter/register_maps.h"
#include "meter/value_format.h"
#include "pages/page_catalog.h"

namespace kelvo {
namespace {

bool Inside(const Parameter& parameter, const RegisterSpan& span) {
    return parameter.reg >= span.start && parameter.LastRegister() < span.start + span.bytes / 2;
}

struct Change {
    const ParamRow* parameter;
    RowBytes bytes{};
};

std::string Join(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : "、") + name;
    return text;
}

std::string RegistersText(const RegisterSpan& span) {
    const int last = span.start + span.bytes / 2 - 1;
    return "寄存器 " + std::to_string(span.start) + (last > span.start ? "–" + std::to_string(last) : "");
}

// Why a chosen parameter cannot go to the meter at hand as recorded: the checks of a page's
// write (its range, what its registers hold), and that the meter keeps the value recorded,
// not a rounded one (a factor of five decimals on a meter that keeps four); nullopt when
// it can.
std::optional<std::string> Refusal(const RestoreChoice& choice, const CodecContext& context, RowBytes& bytes) {
    if (!choice.decoded) return "备份文件中的寄存器值不是该参数的有效值";
    std::optional<std::string> why = Unsendable(*choice.parameter, choice.value, context, bytes);
    if (!why) return std::nullopt;
    if (why->ends_with("。")) why->erase(why->size() - std::string_view("。").size());
    return "本仪表不能写入备份的值 " + ValueText(*choice.parameter, choice.value) + "（" + *why + "）";
}

// "传感器系数（sensor_factor）：…；口径（diameter）：…"
std::string RefusedText(const std::vector<NotRestored>& refused) {
    std::string text;
    for (const NotRestored& parameter : refused) {
        text += (text.empty() ? "" : "；") + parameter.label + "（" + parameter.name + "）：" + parameter.reason;
    }
    return text;
}

// The download blocks of the kind's pages, each span once, in page order.
std::vector<RegisterSpan> DownloadSpans(int meterKind) {
    std::vector<RegisterSpan> spans;
    for (const PageDefinition* page : PageDefinitionsOf(meterKind)) {
        for (const BatchBlock& block : page->downloadBlocks) {
            const bool known = std::any_of(spans.begin(), spans.end(), [&block](const RegisterSpan& s) {
                return s.start == block.start && s.bytes == block.bytes;
            });
            if (!known) spans.push_back({block.start, block.bytes});
        }
    }
    return spans;
}

}  // namespace

std::vector<RestoreChoice> RestoreChoices(const MeterRecord& record, const std::vector<std::string>& only,
                                          std::vector<std::string>& unknown) {
    std::vector<RestoreChoice> choices;
    for (const std::string& name : only) {
        if (record.Find(name) == nullptr) unknown.push_back(name);
    }
    for (const PageDefinition* page : PageDefinitionsOf(record.meterKind)) {
        for (const ParamRow& row : page->rows) {
            if (row.Registers() == 0 || record.Find(row.name) == nullptr) continue;
            if (std::any_of(choices.begin(), choices.end(), [&row](const RestoreChoice& c) { return c.parameter->name == row.name; })) {
                continue;
            }
            const auto value = record.Decoded(row);
            const bool named = std::find(only.begin(), only.end(), row.name) != only.end();
            choices.push_back({.parameter = &row,
                               .value = value.value_or(FieldValue{}),
                               .selected = only.empty() ? !row.perMeter : named,
                               .decoded = value.has_value()});
        }
    }
    return choices;
}

RestoreOutcome Restore(CDMRJly& link, const SerialSettings& settings, int meterKind,
                       const std::vector<RestoreChoice>& choices, const std::function<bool(const std::string& question)>& confirm,
                       const std::function<void(int, int)>& progress) {
    RestoreOutcome outcome;
    outcome.before = ReadMeter(link, settings, meterKind, progress);
    if (!outcome.before.record) return outcome;

    // What the meter is to hold: as it holds it now, with the chosen parameters as recorded,
    // encoded for this meter (its byte order and parameter encoding).
    const CodecContext context{.byteOrderMode = settings.byteOrderMode,
                               .paramEncoding = outcome.before.identity.paramEncoding};
    WireImage image = outcome.before.wire;
    std::vector<Change> changes;
    for (const RestoreChoice& choice : choices) {
        if (!choice.selected) continue;
        Change change{.parameter = choice.parameter};
        if (auto refusal = Refusal(choice, context, change.bytes)) {
            outcome.refused.push_back({.name = std::string(choice.parameter->name),
                                       .label = std::string(choice.parameter->label),
                                       .reason = std::move(*refusal)});
            continue;
        }
        const int bytes = choice.parameter->Bytes();
        if (std::equal(change.bytes.begin(), change.bytes.begin() + bytes, image.At(choice.parameter->reg))) continue;
        std::copy_n(change.bytes.begin(), bytes, image.At(choice.parameter->reg));
        changes.push_back(change);
    }
    outcome.changes = static_cast<int>(changes.size());
    if (changes.empty()) return outcome;
    if (!confirm(RestoreQuestion(outcome.changes, outcome.refused))) {
        outcome.declined = true;
        return outcome;
    }

    // The requests: each download block that holds a change not yet written, then each change
    // no block holds, alone.
    std::vector<std::pair<RegisterSpan, std::vector<const Change*>>> writes;
    std::vector<const Change*> placed;
    for (const RegisterSpan& span : DownloadSpans(meterKind)) {
        std::vector<const Change*> inside;
        for (const Change& change : changes) {
            const bool done = std::find(placed.begin(), placed.end(), &change) != placed.end();
            if (!done && Inside(*change.parameter, span)) inside.push_back(&change);
        }
        if (inside.empty()) continue;
        placed.insert(placed.end(), inside.begin(), inside.end());
        writes.push_back({span, inside});
    }
    for (const Change& change : changes) {
        if (std::find(placed.begin(), placed.end(), &change) != placed.end()) continue;
        writes.push_back({{change.parameter->reg, static_cast<std::uint16_t>(change.parameter->Bytes())}, {&change}});
    }

    for (std::size_t i = 0; i < writes.size(); ++i) {
        const auto& [span, inside] = writes[i];
        if (i > 0 && !link.Port().Wait(std::chrono::milliseconds(kBatchPauseMs))) {
            outcome.writeFailure = {.failure = LinkFailure::Cancelled};
            outcome.failedAt = "第 " + std::to_string(i + 1) + "/" + std::to_string(writes.size()) + " 个写入请求之前";
            return outcome;
        }
        const LinkResult written = link.WriteRegisters(span.start, span.bytes, image.At(span.start));
        // A request that never went out wrote nothing; one without its acknowledgement may have.
        if (written || written.requestSent) {
            for (const Change* change : inside) (written ? outcome.written : outcome.unsure).emplace_back(change->parameter->name);
        }
        if (!written) {
            outcome.writeFailure = written;
            outcome.failedAt = "第 " + std::to_string(i + 1) + "/" + std::to_string(writes.size()) + " 个写入请求（" +
                               RegistersText(span) + "）";
            return outcome;
        }
    }

    // Read back what was written, by the reading's own requests.
    std::vector<RegisterSpan> readBack;
    for (const RegisterSpan& span : ReadingRequests(meterKind)) {
        const bool holds = std::any_of(changes.begin(), changes.end(),
                                       [&span](const Change& change) { return Inside(*change.parameter, span); });
        if (holds) readBack.push_back(span);
    }
    WireImage back;
    for (const RegisterSpan& span : readBack) {
        std::array<std::uint8_t, kChunkBytes> wire{};
        if (const LinkResult read = link.ReadRegisters(span.start, span.bytes, wire.data()); !read) {
            outcome.verifyFailure = read;
            outcome.failedAt = "核对（" + RegistersText(span) + "）";
            return outcome;
        }
        std::copy_n(wire.begin(), span.bytes, back.At(span.start));
    }
    for (const Change& change : changes) {
        const int bytes = change.parameter->Bytes();
        const bool same = std::equal(change.bytes.begin(), change.bytes.begin() + bytes, back.At(change.parameter->reg));
        (same ? outcome.verified : outcome.mismatched).emplace_back(change.parameter->name);
    }
    return outcome;
}

std::string RestoreQuestion(int changes, const std::vector<NotRestored>& refused) {
    std::string question = "将向仪表写入 " + std::to_string(changes) + " 个与仪表不同的参数，写入后读回核对。";
    if (!refused.empty()) {
        question += "以下 " + std::to_string(refused.size()) + " 个参数不能写入，将不写入：" + RefusedText(refused) + "。";
    }
    return question + "是否继续？";
}

RestoreReport DescribeRestore(const RestoreOutcome& outcome) {
    if (outcome.before.unsupported) return {std::string(kMeterNotSupportedText), {}};
    if (!outcome.before.record) return {"读取仪表参数失败，没有写入任何参数", ReadingFailureText(outcome.before)};
    // Every report names the chosen parameters that were not written: a restore that left
    // one out is not complete, whatever else went well.
    const std::string notWritten =
        outcome.refused.empty() ? std::string{} : "未写入（不能写入）：" + RefusedText(outcome.refused) + "。";
    if (outcome.changes == 0) {
        if (outcome.refused.empty()) return {"仪表参数与文件相同，没有需要写入的参数", {}};
        return {"恢复未完成：" + std::to_string(outcome.refused.size()) + " 个参数不能写入，没有写入任何参数", notWritten};
    }
    if (outcome.declined) return {"已取消，没有写入任何参数", notWritten};
    std::string detail;
    if (!outcome.written.empty()) detail += "已写入：" + Join(outcome.written) + "。";
    if (!outcome.unsure.empty()) detail += "请求已发出、仪表未确认（可能已写入）：" + Join(outcome.unsure) + "。";
    detail += notWritten;
    if (!outcome.writeFailure.Good()) {
        return {"恢复参数失败，写入已停止", outcome.failedAt + "：" + FailureDetail(outcome.writeFailure) + "。" + detail};
    }
    if (!outcome.verifyFailure.Good()) {
        return {"参数已写入，但读回核对失败", outcome.failedAt + "：" + FailureDetail(outcome.verifyFailure) + "。" + detail};
    }
    if (!outcome.mismatched.empty()) {
        return {"参数已写入，但读回的值与文件不符", "不符：" + Join(outcome.mismatched) + "。" + detail};
    }
    const std::string verified = "写入并核对了 " + std::to_string(outcome.verified.size()) + " 个参数";
    if (!outcome.refused.empty()) {
        return {"恢复未完成：" + verified + "，" + std::to_string(outcome.refused.size()) + " 个参数不能写入", detail};
    }
    return {"恢复成功：" + verified, detail};
}

}  // namespace kelvo
