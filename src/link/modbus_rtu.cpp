#include "link/modbus_rtu.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "link/wire_time.h"

namespace kelvo {
namespace {

using Answer = std::array<std::uint8_t, kQueueSize>;

}  // namespace

CDMRJly::~CDMRJly() { ClosePort(); }

int CDMRJly::OpenPort(const SerialSettings& settings) {
    openFlag_ = 0;
    lateAnswerEnd_ = {};
    if (port_.Open(settings.portName, settings.baudRate, settings.parity) < 0) return 0;
    settings_ = settings;
    openFlag_ = 1;
    return 1;
}

void CDMRJly::ClosePort() {
    openFlag_ = 0;
    port_.Close();
}

int CDMRJly::ReadRegisters(std::uint16_t start, std::uint16_t byteCount, std::uint8_t* destination) {
    return Transfer(kReadInputRegisters, start, byteCount, destination, nullptr);
}

int CDMRJly::WriteRegisters(std::uint16_t start, std::uint16_t byteCount, const std::uint8_t* source) {
    return Transfer(kWriteMultipleRegisters, start, byteCount, nullptr, source);
}

int CDMRJly::ReadIdentification(std::uint8_t* destination) {
    // Without an open port there is nobody to ask; do not touch a stale descriptor.
    if (!port_.IsOpen()) return 0;
    const RequestFrame request = IdentificationRequest(static_cast<std::uint8_t>(settings_.address & 0xFF));
    Answer answer;
    const AnswerCheck check = Attempt(request, kIdentifyPauseMs, answer);
    if (!check.Good()) return 0;
    std::copy(check.data.begin(), check.data.end(), destination);
    return static_cast<int>(check.data.size());
}

AnswerCheck CDMRJly::Attempt(const RequestFrame& request, int pauseMs, std::span<std::uint8_t> answer) {
    if (port_.State() != LineState::Ok) return {.fault = AnswerFault::NoAnswer, .data = {}};
    port_.PurgeInput();
    port_.Write(request.bytes.data(), static_cast<std::size_t>(request.length));
    const auto sent = std::chrono::steady_clock::now();
    if (traffic_ != nullptr) traffic_->Record(TrafficKind::Sent, trafficSource_, request.View());
    if (!port_.Pause(std::chrono::milliseconds(pauseMs))) {
        NoteCutShortWait(request, sent);
        return {.fault = AnswerFault::NoAnswer, .data = {}};
    }
    const int length = port_.ReadOnce(answer.data());
    if (Stopped()) NoteCutShortWait(request, sent);
    const auto received = answer.first(static_cast<std::size_t>(length));
    // A wait ended by a stop request says nothing about the meter.
    if (traffic_ != nullptr && !Stopped()) {
        const auto waitedMs = static_cast<std::uint32_t>(pauseMs + TimeoutsForBaud(port_.BaudRate()).totalMs);
        traffic_->RecordAnswer(trafficSource_, received, waitedMs);
    }
    return CheckAnswer(request.View(), received);
}

void CDMRJly::NoteCutShortWait(const RequestFrame& request, std::chrono::steady_clock::time_point sent) {
    // The request still has to cross the line, then the meter turns round and sends the
    // longest answer the request allows, as the meter search reckons a try.
    const auto bytes = request.length + static_cast<int>(LongestAnswerTo(request.View()));
    lateAnswerEnd_ = sent + WireTime(bytes, settings_.baudRate, settings_.parity) +
                     std::chrono::milliseconds(kDefaultTurnaroundMs);
}

int CDMRJly::Transfer(std::uint8_t functionCode, std::uint16_t start, std::uint16_t byteCount,
                      std::uint8_t* readInto, const std::uint8_t* writeFrom) {
    if (openFlag_ == 0) return 0;
    const bool isRead = functionCode == kReadInputRegisters;
    const int pauseMs = isRead ? kReadPauseMs : kWritePauseMs;
    const int chunkCount = (byteCount + kChunkBytes - 1) / kChunkBytes;
    const auto address = static_cast<std::uint8_t>(settings_.address & 0xFF);

    Answer answer;
    for (int chunk = 0; chunk < chunkCount; ++chunk) {
        const int offset = chunk * kChunkBytes;
        const auto chunkStart = static_cast<std::uint16_t>(start + chunk * (kChunkBytes / 2));
        const int chunkLength = std::min(kChunkBytes, byteCount - offset);
        const RequestFrame request =
            isRead ? ReadRequest(address, chunkStart, static_cast<std::uint16_t>(chunkLength / 2))
                   : WriteRequest(address, chunkStart,
                                  {writeFrom + offset, static_cast<std::size_t>(chunkLength)});

        bool done = false;
        for (int attempt = 0; attempt < kAttemptsPerChunk && !done; ++attempt) {
            // Every refused answer is a failed attempt: no byte of a frame that was not the
            // answer to this request reaches the caller, and no write counts as done
            // without its own acknowledgement.
            const AnswerCheck check = Attempt(request, pauseMs, answer);
            // A second attempt cannot help once the device is gone or a stop was asked for.
            if (port_.State() != LineState::Ok) return 0;
            if (!check.Good()) continue;
            if (isRead) std::copy(check.data.begin(), check.data.end(), readInto + offset);
            done = true;
        }
        if (!done) return 0;
    }
    return 1;
}

}  // namespace kelvo
