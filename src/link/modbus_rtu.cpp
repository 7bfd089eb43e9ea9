// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/modbus_rtu.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "link/wire_time.h"
#include "link/wire_traffic.h"

namespace kelvo {
namespace {

using Clock = std::chrono::steady_clock;
using Answer = std::array<std::uint8_t, kQueueSize>;

LinkResult Failed(LinkFailure failure) { return {.failure = failure}; }

}  // namespace

CDMRJly::CDMRJly(std::unique_ptr<Transport> port) : port_(std::move(port)), choosesTransport_(port_ == nullptr) {
    if (choosesTransport_) port_ = MakeSerialTransport();
}

CDMRJly::~CDMRJly() { ClosePort(); }

LinkResult CDMRJly::OpenPort(const SerialSettings& settings) {
    openFlag_ = 0;
    const Endpoint endpoint = EndpointOf(settings);
    if (choosesTransport_ && port_->Kind() != endpoint.type) {
        port_->Close();
        port_ = MakeTransport(endpoint.type);
        port_->SetStop(stop_);
    }
    settings_ = settings;
    lastOpenError_ = port_->Open(endpoint);
    // A connect the stop ended is a cancel, not a failure to tell the user about.
    if (lastOpenError_ != PortError::None && port_->State() == LineState::Stopped) {
        return Stamped(Failed(LinkFailure::Cancelled), 0);
    }
    if (lastOpenError_ != PortError::None) {
        return Stamped({.failure = LinkFailure::NotOpen, .portError = lastOpenError_}, 0);
    }
    openFlag_ = 1;
    return Stamped({}, 0);
}

LinkResult CDMRJly::Stamped(LinkResult result, std::uint8_t functionCode) const {
    result.linkType = EndpointOf(settings_).type;
    result.functionCode = functionCode;
    if (result.failure == LinkFailure::PortGone) result.portError = port_->GoneReason();
    return result;
}

void CDMRJly::ClosePort() {
    openFlag_ = 0;
    port_->Close();
}

LinkResult CDMRJly::ReadRegisters(std::uint16_t start, std::uint16_t byteCount, std::uint8_t* destination) {
    return Stamped(Transfer(kReadInputRegisters, start, byteCount, destination, nullptr), kReadInputRegisters);
}

LinkResult CDMRJly::WriteRegisters(std::uint16_t start, std::uint16_t byteCount, const std::uint8_t* source) {
    return Stamped(Transfer(kWriteMultipleRegisters, start, byteCount, nullptr, source), kWriteMultipleRegisters);
}

LinkResult CDMRJly::ReadIdentification(std::uint8_t* destination) {
    return Stamped(Identify(destination), kIdentify);
}

LinkResult CDMRJly::Identify(std::uint8_t* destination) {
    // Without an open port there is nobody to ask; do not touch a stale descriptor.
    if (openFlag_ == 0 || !port_->IsOpen()) return Failed(LinkFailure::NotOpen);
    const RequestFrame request = IdentificationRequest(static_cast<std::uint8_t>(settings_.address & 0xFF));
    Answer answer;
    bool sent = false;
    const AnswerCheck check = Attempt(request, kIdentifyPauseMs, answer, sent);
    if (LinkResult failure = PortFailure(); !failure.Good()) {
        failure.attempts = sent ? 1 : 0;
        failure.requestSent = sent;
        return failure;
    }
    if (!check.Good()) {
        return {.failure = LinkFailure::Answer,
                .fault = check.fault,
                .exceptionCode = check.exceptionCode,
                .attempts = 1,
                .waitedMs = static_cast<std::uint32_t>(port_->AnswerTimeouts().totalMs),
                .requestSent = true};
    }
    std::copy(check.data.begin(), check.data.end(), destination);
    return {.requestSent = true, .chunksDone = 1, .count = static_cast<std::uint16_t>(check.data.size())};
}

bool CDMRJly::WaitForQuietLine() {
    // Even with nothing to wait for, a stop raised already must keep the request off the
    // line: a write cancelled before it went out must not reach the meter.
    const auto left = std::max(lateAnswerEnd_ - Clock::now(), Clock::duration::zero());
    return port_->Wait(std::chrono::ceil<std::chrono::milliseconds>(left));
}

LinkResult CDMRJly::PortFailure() const {
    switch (port_->State()) {
        case LineState::Ok:
            return {};
        case LineState::Stopped:
            return Failed(LinkFailure::Cancelled);
        case LineState::Gone:
            break;
    }
    return Failed(LinkFailure::PortGone);
}

AnswerCheck CDMRJly::Attempt(const RequestFrame& request, int pauseMs, std::span<std::uint8_t> answer,
                             bool& sent) {
    sent = false;
    if (port_->State() != LineState::Ok || !WaitForQuietLine()) return {.fault = AnswerFault::NoAnswer, .data = {}};
    sent = true;
    port_->Purge();
    port_->Write(request.View());
    const auto sentAt = Clock::now();
    RecordRequest(traffic_, trafficSource_, *port_, request.View());
    if (!port_->Wait(std::chrono::milliseconds(pauseMs))) {
        NoteCutShortWait(request.View(), settings_.baudRate, settings_.parity, sentAt);
        return {.fault = AnswerFault::NoAnswer, .data = {}};
    }
    const ReadTimeouts timeouts = port_->AnswerTimeouts();
    const std::size_t length = port_->Read(answer, timeouts);
    if (Stopped()) NoteCutShortWait(request.View(), settings_.baudRate, settings_.parity, sentAt);
    const auto received = answer.first(length);
    // A wait ended by a stop request says nothing about the meter.
    if (!Stopped()) {
        RecordReply(traffic_, trafficSource_, *port_, received, static_cast<std::uint32_t>(pauseMs + timeouts.totalMs));
    }
    return CheckAnswer(request.View(), received);
}

void CDMRJly::NoteCutShortWait(std::span<const std::uint8_t> request, int baudRate, int parity, Clock::time_point sent) {
    // The request still has to cross the line, then the meter turns round and sends the
    // longest answer the request allows, as the meter search reckons a try.
    const auto bytes = static_cast<int>(request.size() + LongestAnswerTo(request));
    lateAnswerEnd_ = std::max(lateAnswerEnd_, sent + WireTime(bytes, baudRate, parity) +
                                                  std::chrono::milliseconds(kDefaultTurnaroundMs));
}

LinkResult CDMRJly::Transfer(std::uint8_t functionCode, std::uint16_t start, std::uint16_t byteCount,
                             std::uint8_t* readInto, const std::uint8_t* writeFrom) {
    if (openFlag_ == 0) return Failed(LinkFailure::NotOpen);
    const bool isRead = functionCode == kReadInputRegisters;
    const int pauseMs = isRead ? kReadPauseMs : kWritePauseMs;
    const int chunkCount = (byteCount + kChunkBytes - 1) / kChunkBytes;
    const auto address = static_cast<std::uint8_t>(settings_.address & 0xFF);

    Answer answer;
    LinkResult result;
    for (int chunk = 0; chunk < chunkCount; ++chunk) {
        const int offset = chunk * kChunkBytes;
        const auto chunkStart = static_cast<std::uint16_t>(start + chunk * (kChunkBytes / 2));
        const int chunkLength = std::min(kChunkBytes, byteCount - offset);
        const RequestFrame request =
            isRead ? ReadRequest(address, chunkStart, static_cast<std::uint16_t>(chunkLength / 2))
                   : WriteRequest(address, chunkStart,
                                  {writeFrom + offset, static_cast<std::size_t>(chunkLength)});

        AnswerCheck check{.fault = AnswerFault::NoAnswer, .data = {}};
        int attempts = 0;
        for (; attempts < kAttemptsPerChunk; ++attempts) {
            // Every refused answer is a failed attempt: no byte of a frame that was not the
            // answer to this request reaches the caller, and no write counts as done
            // without its own acknowledgement.
            bool sent = false;
            check = Attempt(request, pauseMs, answer, sent);
            result.requestSent = result.requestSent || sent;
            // A second attempt cannot help once the device is gone or a stop was asked for.
            if (LinkResult failure = PortFailure(); !failure.Good()) {
                failure.attempts = static_cast<std::uint8_t>(attempts + (sent ? 1 : 0));
                failure.requestSent = result.requestSent;
                failure.chunksDone = result.chunksDone;
                return failure;
            }
            if (check.Good()) break;
        }
        if (!check.Good()) {
            return {.failure = LinkFailure::Answer,
                    .fault = check.fault,
                    .exceptionCode = check.exceptionCode,
                    .attempts = static_cast<std::uint8_t>(attempts),
                    .waitedMs = static_cast<std::uint32_t>(port_->AnswerTimeouts().totalMs),
                    .requestSent = true,
                    .chunksDone = result.chunksDone};
        }
        if (isRead) std::copy(check.data.begin(), check.data.end(), readInto + offset);
        ++result.chunksDone;
    }
    return result;
}

}  // namespace kelvo
