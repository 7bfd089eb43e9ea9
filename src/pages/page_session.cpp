// SPDX-License-Identifier: GPL-3.0-or-later
#include "pages/page_session.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "messages/failure_text.h"

namespace kelvo {
namespace {

// "158–180", "134"
std::string RangeText(const BatchBlock& block) {
    const int last = block.start + block.bytes / 2 - 1;
    return std::to_string(block.start) + (last > block.start ? "–" + std::to_string(last) : "");
}

std::string RegistersText(const BatchBlock& block) { return "寄存器 " + RangeText(block); }

// "第 3 块", "第 1–2 块"
std::string BlocksText(std::size_t first, std::size_t last) {
    const std::string from = std::to_string(first + 1);
    return "第 " + (last > first ? from + "–" + std::to_string(last + 1) : from) + " 块";
}

// Where a batch stopped: "第 3/7 块（寄存器 158–180）".
std::string BlockPlace(std::span<const BatchBlock> blocks, std::size_t index) {
    return "第 " + std::to_string(index + 1) + "/" + std::to_string(blocks.size()) + " 块（" +
           RegistersText(blocks[index]) + "）";
}

// Which blocks of a cancelled download went out: those before `index` surely, block
// `index` perhaps (its request was sent, its acknowledgement not awaited), the rest not.
std::string CancelledDownloadText(std::span<const BatchBlock> blocks, std::size_t index, bool requestSent) {
    std::string text = "已写入：";
    if (index == 0) {
        text += "无";
    } else {
        text += BlocksText(0, index - 1) + "（寄存器 ";
        for (std::size_t i = 0; i < index; ++i) text += (i == 0 ? "" : "、") + RangeText(blocks[i]);
        text += "）";
    }
    std::size_t firstUnsent = index;
    if (requestSent && index < blocks.size()) {
        text += "；" + BlocksText(index, index) + "（" + RegistersText(blocks[index]) + "）的请求已发出，仪表可能已写入";
        firstUnsent = index + 1;
    }
    if (firstUnsent < blocks.size()) text += "；未写入：" + BlocksText(firstUnsent, blocks.size() - 1);
    return text + "。";
}

}  // namespace

PageSession::PageSession(const PageDefinition& definition, PageLine& line, int paramEncoding)
    : definition_(definition),
      line_(line),
      context_{.byteOrderMode = line.settings.byteOrderMode, .paramEncoding = paramEncoding} {
    outcome_.values.resize(definition.rows.size());
}

bool PageSession::Open() {
    if (const LinkResult opened = line_.link.OpenPort(line_.settings); !opened) {
        WarnOpenFailed(line_.messages, opened);
        line_.link.ClosePort();
        return false;
    }
    return true;
}

bool PageSession::Identify() {
    MeterIdentity identity;
    if (IdentifyMeter(line_.link, line_.messages, identity) == 0) return false;
    context_.paramEncoding = identity.paramEncoding;
    outcome_.identity = identity;
    return true;
}

std::optional<FieldValue> PageSession::ReadRow(std::size_t index) {
    const ParamRow& row = definition_.rows[index];
    std::array<std::uint8_t, 8> wire{};
    if (const LinkResult read = Link().ReadRegisters(row.reg, static_cast<std::uint16_t>(row.Bytes()), wire.data());
        !read) {
        Close();  // a failed read closes the port before its message
        if (!read.Cancelled()) Messages().Warn(kReadFailedText, FailureDetail(read));
        return std::nullopt;
    }
    if (row.DependsOnEncoding() && !Identify()) return std::nullopt;
    LiveRecord host;
    PlaceWireBytes(host, row.reg, wire.data(), row.Bytes(), std::span(&row, 1), context_.byteOrderMode);
    return DecodeRow(row, host, context_);
}

void PageSession::DecodeRowsInside(const LiveRecord& host, std::uint16_t start, int byteCount) {
    for (std::size_t i = 0; i < definition_.rows.size(); ++i) {
        if (RowInside(definition_.rows[i], start, byteCount)) outcome_.values[i] = DecodeRow(definition_.rows[i], host, context_);
    }
}

void PageSession::ReadAll() {
    const auto blocks = definition_.readAllBlocks;
    LiveRecord host;
    std::optional<std::size_t> failedBlock;
    LinkResult failure;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const BatchBlock& block = blocks[i];
        Progress(static_cast<int>(i + 1), static_cast<int>(blocks.size()));
        std::array<std::uint8_t, kChunkBytes> wire{};
        if (const LinkResult read = Link().ReadRegisters(block.start, block.bytes, wire.data()); !read) {
            failedBlock = i;
            failure = read;
            break;
        }
        PlaceWireBytes(host, block.start, wire.data(), block.bytes, definition_.rows, context_.byteOrderMode);
        if (definition_.readAllDecodesEachBlock) DecodeRowsInside(host, block.start, block.bytes);
    }
    if (!failedBlock && !definition_.readAllDecodesEachBlock) {
        for (const auto& block : blocks) DecodeRowsInside(host, block.start, block.bytes);
    }
    // A cancel was the user's own doing: the values read so far stay as a failure leaves them.
    if (!failedBlock) {
        Messages().Warn(kReadAllSucceededText);
    } else if (!failure.Cancelled()) {
        const BatchBlock& block = blocks[*failedBlock];
        Messages().Warn(block.failText.empty() ? definition_.readAllFailText : block.failText,
                        BlockPlace(blocks, *failedBlock) + "：" + FailureDetail(failure));
    }
    Close();
    outcome_.showValues = true;
}

bool PageSession::EncodeDownload(const std::vector<FieldValue>& values, WireImage& image) {
    for (std::size_t i = 0; i < definition_.rows.size(); ++i) {
        const auto& row = definition_.rows[i];
        for (const auto& block : definition_.downloadBlocks) {
            if (!RowInside(row, block.start, block.bytes)) continue;
            if (const auto encoded = EncodeRow(row, values[i], context_, image.At(row.reg)); !encoded.ok) {
                Messages().Warn(encoded.message);
                Close();
                return false;
            }
            break;
        }
    }
    return true;
}

void PageSession::WriteDownloadBlocks(const WireImage& image) {
    const auto blocks = definition_.downloadBlocks;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const BatchBlock& block = blocks[i];
        if (i > 0 && !Link().Port().Wait(std::chrono::milliseconds(kBatchPauseMs))) {
            Messages().Warn(kDownloadCancelledText, CancelledDownloadText(blocks, i, false));
            Close();
            return;
        }
        Progress(static_cast<int>(i + 1), static_cast<int>(blocks.size()));
        if (const LinkResult written = Link().WriteRegisters(block.start, block.bytes, image.At(block.start)); !written) {
            if (written.Cancelled()) {
                Messages().Warn(kDownloadCancelledText, CancelledDownloadText(blocks, i, written.requestSent));
            } else {
                Messages().Warn(block.failText.empty() ? definition_.downloadFailText : block.failText,
                                BlockPlace(blocks, i) + "：" + FailureDetail(written) + "。" +
                                    CancelledDownloadText(blocks, i, written.requestSent));
            }
            Close();
            return;
        }
    }
    Messages().Warn(kDownloadSucceededText);
    Close();
}

void PageSession::WriteAndReport(std::uint16_t reg, std::span<const std::uint8_t> bytes, std::string_view successText,
                                 std::string_view failText) {
    const LinkResult written = Link().WriteRegisters(reg, static_cast<std::uint16_t>(bytes.size()), bytes.data());
    if (written) {
        Messages().Warn(successText);
    } else if (written.Cancelled()) {
        Messages().Warn(kWriteCancelledText,
                        written.requestSent ? "请求已发出，仪表可能已写入。" : "请求未发出，仪表没有写入。");
    } else {
        Messages().Warn(failText, FailureDetail(written));
    }
    Close();
}

bool RefuseUnsendable(const PageDefinition& definition, const std::vector<FieldValue>& values,
                      const CodecContext& context, std::optional<std::size_t> alreadyPrompted, Prompter& prompter) {
    for (std::size_t i = 0; i < definition.rows.size(); ++i) {
        const auto& row = definition.rows[i];
        const bool downloaded = std::any_of(definition.downloadBlocks.begin(), definition.downloadBlocks.end(),
                                            [&row](const BatchBlock& b) { return RowInside(row, b.start, b.bytes); });
        if (!downloaded) continue;
        if (const auto refusal = RefusalOf(row, values[i], context)) {
            if (alreadyPrompted != i) prompter.Warn(*refusal);
            return true;
        }
    }
    return false;
}

void DownloadInPlaceOfFields(PageSession& session, const std::vector<FieldValue>& values, std::string_view question,
                             std::span<const StoredWord> storedAsIs) {
    if (RefuseUnsendable(session.Definition(), values, session.Context(), std::nullopt, session.Messages()) ||
        !session.Messages().Confirm(question)) {
        session.Close();
        return;
    }
    WireImage image;
    if (!session.EncodeDownload(values, image)) return;
    for (const StoredWord& word : storedAsIs) {
        const std::array<std::uint8_t, 2> wire = {static_cast<std::uint8_t>((word.value >> 8) & 0xFF),
                                                  static_cast<std::uint8_t>(word.value & 0xFF)};
        std::copy(wire.begin(), wire.end(), image.At(word.reg));
    }
    session.WriteDownloadBlocks(image);
}

}  // namespace kelvo
