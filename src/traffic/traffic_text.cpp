// SPDX-License-Identifier: GPL-3.0-or-later
#include "traffic/traffic_text.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string_view>

#include "link/answer_check.h"
#include "link/modbus_frames.h"
#include "messages/failure_text.h"
#include "meter/meter_identity.h"
#include "settings/calendar_fields.h"

namespace kelvo {
namespace {

constexpr std::size_t kRequestHeader = 6;  // address, function code, start (2), count (2)

int Word(std::span<const std::uint8_t> frame, std::size_t at) { return frame[at] << 8 | frame[at + 1]; }

std::string HexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFU);
    return text;
}

std::string_view SourceText(TrafficSource source) {
    switch (source) {
        case TrafficSource::Polling:
            return "轮询";
        case TrafficSource::Page:
            return "页面";
        case TrafficSource::Search:
            return "搜索";
    }
    return "";
}

// "起始 139 数量 2" from bytes 2..5 of a 0x04 or 0x10 request or a 0x10 acknowledgement.
std::string RegisterSpan(std::span<const std::uint8_t> frame) {
    return "起始 " + std::to_string(Word(frame, 2)) + " 数量 " + std::to_string(Word(frame, 4));
}

TrafficVerdict VerdictOf(AnswerFault fault) {
    switch (fault) {
        case AnswerFault::None:
            return TrafficVerdict::Good;
        case AnswerFault::NoAnswer:
            return TrafficVerdict::NoAnswer;
        case AnswerFault::BadCrc:
            return TrafficVerdict::BadCrc;
        case AnswerFault::Exception:
            return TrafficVerdict::Exception;
        default:
            return TrafficVerdict::OtherFault;
    }
}

std::string GoodAnswerText(std::span<const std::uint8_t> request, std::span<const std::uint8_t> answer,
                           std::span<const std::uint8_t> data) {
    switch (request[1]) {
        case kReadInputRegisters:
            return "应答 " + std::to_string(data.size()) + " 字节";
        case kWriteMultipleRegisters:
            return "写入确认 " + RegisterSpan(answer);
        default: {
            const IdentificationTexts texts = DescribeIdentification(data);
            return "仪表标识 型号 " + texts.model + " 版本 " + texts.version;
        }
    }
}

std::string WithLength(std::string_view text, std::size_t frameBytes) {
    return std::string(text) + "（" + std::to_string(frameBytes) + " 字节）";
}

}  // namespace

std::string RequestSummary(std::span<const std::uint8_t> request) {
    if (request.size() < 2) return "请求 " + std::to_string(request.size()) + " 字节";
    const std::string address = "地址 " + std::to_string(request[0]) + " ";
    switch (request[1]) {
        case kReadInputRegisters:
            if (request.size() >= kRequestHeader) return address + "读输入寄存器 " + RegisterSpan(request);
            break;
        case kWriteMultipleRegisters:
            if (request.size() >= kRequestHeader) return address + "写多个寄存器 " + RegisterSpan(request);
            break;
        case kIdentify:
            return address + "读仪表标识";
        default:
            break;
    }
    return address + "功能码 " + HexByte(request[1]);
}

TrafficSummary AnswerSummary(std::span<const std::uint8_t> request, std::span<const std::uint8_t> answer,
                             std::size_t frameBytes) {
    // Longer than any answer the link takes in: only its start was kept, and the CRC
    // cannot be checked, nor does it need to be.
    if (frameBytes > answer.size()) {
        return {TrafficVerdict::OtherFault, WithLength(AnswerFaultText(AnswerFault::Overlong), frameBytes)};
    }
    if (request.empty()) return {TrafficVerdict::OtherFault, WithLength("应答，没有对应的请求", frameBytes)};
    const AnswerCheck check = CheckAnswer(request, answer);
    const TrafficVerdict verdict = VerdictOf(check.fault);
    switch (check.fault) {
        case AnswerFault::None:
            return {verdict, GoodAnswerText(request, answer, check.data)};
        case AnswerFault::NoAnswer:
            return {verdict, std::string(AnswerFaultText(check.fault))};
        case AnswerFault::Exception:
            // The check has seen the CRC, so the frame has at least its code byte.
            return {verdict, std::string(AnswerFaultText(check.fault)) + " 功能码 " + HexByte(request[1]) +
                                 " 异常码 " + HexByte(answer[2]).substr(2)};
        default:
            return {verdict, WithLength(AnswerFaultText(check.fault), frameBytes)};
    }
}

std::string MbapHeaderText(const MbapHeader& header) {
    return "MBAP 事务 " + std::to_string(header.transaction) + " 协议 " + std::to_string(header.protocol) + " 长度 " +
           std::to_string(header.length) + " 单元 " + std::to_string(header.unit);
}

TrafficSummary MbapAnswerSummary(std::span<const std::uint8_t> request, std::span<const std::uint8_t> answer,
                                 std::size_t frameBytes) {
    const auto header = ReadMbapHeader(answer);
    if (!header || !header->Plausible()) return {TrafficVerdict::OtherFault, WithLength("MBAP 帧头不对", frameBytes)};
    const std::string head = MbapHeaderText(*header) + "｜";
    const auto asked = ReadMbapHeader(request);
    if (!asked) return {TrafficVerdict::OtherFault, head + WithLength("应答，没有对应的请求", frameBytes)};
    switch (MatchMbap(*asked, *header)) {
        case MbapMatch::Answer:
            break;
        case MbapMatch::OtherTransaction:
            return {TrafficVerdict::OtherFault,
                    head + "已丢弃：事务号与请求的 " + std::to_string(asked->transaction) + " 不符（迟到的应答）"};
        case MbapMatch::OtherProtocol:
            return {TrafficVerdict::OtherFault, head + "已丢弃：协议号不是 0"};
        case MbapMatch::OtherUnit:
            return {TrafficVerdict::OtherFault, head + "已丢弃：单元号与请求的 " + std::to_string(asked->unit) + " 不符"};
    }
    if (frameBytes > answer.size()) return {TrafficVerdict::OtherFault, head + WithLength("应答过长", frameBytes)};
    if (answer.size() < header->FrameBytes()) {
        return {TrafficVerdict::OtherFault, head + WithLength(AnswerFaultText(AnswerFault::Truncated), answer.size())};
    }
    const std::vector<std::uint8_t> rtu = RtuFromMbap(answer);
    TrafficSummary summary = AnswerSummary(RtuFromMbap(request), rtu, rtu.size());
    summary.text = head + summary.text;
    return summary;
}

std::string HexText(std::span<const std::uint8_t> bytes, std::size_t frameBytes) {
    if (bytes.empty()) return "--";
    std::string text;
    text.reserve(3 * bytes.size());
    char byte[4];
    for (const std::uint8_t value : bytes) {
        std::snprintf(byte, sizeof byte, "%02X ", value);
        text += byte;
    }
    text.pop_back();
    if (frameBytes > bytes.size()) text += " …（共 " + std::to_string(frameBytes) + " 字节）";
    return text;
}

std::string ClockText(std::int64_t timeMs) {
    const auto seconds = static_cast<std::time_t>(timeMs / 1000);
    const std::tm local = LocalFields(seconds);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(timeMs % 1000));
    return text;
}

std::string CountersText(const TrafficCounters& counters) {
    std::string text = "请求 " + std::to_string(counters.requests) + "  正确应答 " +
                       std::to_string(counters.goodAnswers) + "  无应答 " + std::to_string(counters.noAnswers) +
                       "  CRC错误 " + std::to_string(counters.badCrc) + "  异常应答 " +
                       std::to_string(counters.exceptions) + "  其他错误 " + std::to_string(counters.otherFaults);
    if (counters.lost > 0) text += "  未显示 " + std::to_string(counters.lost);
    return text;
}

std::string TrafficDecoder::Line(const TrafficRecord& record) {
    const auto source = static_cast<std::size_t>(record.source);
    std::vector<std::uint8_t>& request = lastRequest_.at(source);
    const std::span<const std::uint8_t> bytes = record.Kept();
    std::string direction = "接收";
    std::string summary;
    const bool mbap = record.framing == TrafficFraming::Mbap;
    switch (record.kind) {
        case TrafficKind::Sent:
            direction = "发送";
            request.assign(bytes.begin(), bytes.end());
            if (const auto header = ReadMbapHeader(bytes); mbap && header) {
                summary = MbapHeaderText(*header) + "｜" + RequestSummary(RtuFromMbap(bytes));
            } else {
                summary = RequestSummary(bytes);
            }
            ++counters_.requests;
            break;
        case TrafficKind::NoAnswer:
            summary = std::string(AnswerFaultText(AnswerFault::NoAnswer)) + "（等待 " +
                      std::to_string(record.waitedMs) + " ms）";
            ++counters_.noAnswers;
            break;
        case TrafficKind::Received: {
            const TrafficSummary answer = mbap ? MbapAnswerSummary(request, bytes, record.frameBytes)
                                               : AnswerSummary(request, bytes, record.frameBytes);
            summary = answer.text;
            Count(answer.verdict);
            break;
        }
    }
    // The summary first: a long answer's bytes run far to the right, its verdict must not.
    std::string line = ClockText(record.timeMs) + "  " + direction + "  [" + std::string(SourceText(record.source)) +
                       "]  " + summary;
    if (!bytes.empty()) line += "  " + HexText(bytes, record.frameBytes);
    return line;
}

void TrafficDecoder::Count(TrafficVerdict verdict) {
    switch (verdict) {
        case TrafficVerdict::Good:
            ++counters_.goodAnswers;
            break;
        case TrafficVerdict::BadCrc:
            ++counters_.badCrc;
            break;
        case TrafficVerdict::Exception:
            ++counters_.exceptions;
            break;
        default:
            ++counters_.otherFaults;
            break;
    }
}

std::vector<std::string> TrafficDecoder::ReadLines(const TrafficLog& log, std::uint64_t& cursor) {
    TrafficLog::Batch batch = log.ReadFrom(cursor);
    CountLost(batch.lost);
    std::vector<std::string> lines;
    lines.reserve(batch.records.size());
    for (const TrafficRecord& record : batch.records) lines.push_back(Line(record));
    return lines;
}

}  // namespace kelvo
