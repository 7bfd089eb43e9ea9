#include "link/modbus_rtu.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <thread>

#include "link/crc16.h"

namespace kelvo {
namespace {

// Address, function code, start (2), register count (2), byte count, data, CRC (2).
constexpr int kLargestRequest = 9 + kChunkBytes;
// Address, function code and the two CRC bytes: the least any answer carries.
constexpr int kShortestAnswer = 4;
// A read answer's data start after address, function code and byte count.
constexpr int kReadDataOffset = 3;
// An identification answer: address, function code, one unused byte, length, data.
constexpr int kIdentificationDataOffset = 4;

using Answer = std::array<std::uint8_t, kQueueSize>;

void PutU16(std::uint8_t* place, std::uint16_t value) {
    place[0] = static_cast<std::uint8_t>(value >> 8);
    place[1] = static_cast<std::uint8_t>(value & 0xFFU);
}

// Appends the CRC, low byte first, and returns the frame length.
int AppendCrc(std::uint8_t* frame, int length) {
    const std::uint16_t crc = Crc16(frame, static_cast<std::uint16_t>(length));
    frame[length] = static_cast<std::uint8_t>(crc & 0xFFU);
    frame[length + 1] = static_cast<std::uint8_t>(crc >> 8);
    return length + 2;
}

bool CrcMatches(const std::uint8_t* frame, int length) {
    const std::uint16_t crc = Crc16(frame, static_cast<std::uint16_t>(length - 2));
    return frame[length - 2] == (crc & 0xFFU) && frame[length - 1] == (crc >> 8);
}

}  // namespace

CDMRJly::~CDMRJly() { ClosePort(); }

int CDMRJly::OpenPort(const SerialSettings& settings) {
    openFlag_ = 0;
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
    std::array<std::uint8_t, 6> request{};
    request[0] = static_cast<std::uint8_t>(settings_.address & 0xFF);
    request[1] = kIdentify;
    const int requestLength = AppendCrc(request.data(), 4);

    Answer answer;
    const int length = Attempt(request.data(), requestLength, kIdentifyPauseMs, answer.data());
    // Anything shorter has no length byte in front of its CRC.
    const int arrived = length - kIdentificationDataOffset - 2;
    if (arrived < 0) return 0;
    const int announced = answer[3];
    const int count = std::min({announced, arrived, kIdentificationBytes});
    if (count > 0) std::memcpy(destination, answer.data() + kIdentificationDataOffset, static_cast<std::size_t>(count));
    return count;
}

int CDMRJly::Attempt(const std::uint8_t* request, int requestLength, int pauseMs, std::uint8_t* answer) {
    port_.PurgeInput();
    port_.Write(request, static_cast<std::size_t>(requestLength));
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    const int length = port_.ReadOnce(answer);
    if (length < kShortestAnswer) return 0;
    if (answer[0] != request[0] || answer[1] != request[1]) return 0;  // exceptions fail here too
    if (!CrcMatches(answer, length)) return 0;
    return length;
}

int CDMRJly::Transfer(std::uint8_t functionCode, std::uint16_t start, std::uint16_t byteCount,
                      std::uint8_t* readInto, const std::uint8_t* writeFrom) {
    if (openFlag_ == 0) return 0;
    const bool isRead = functionCode == kReadInputRegisters;
    const int pauseMs = isRead ? kReadPauseMs : kWritePauseMs;
    const int chunkCount = (byteCount + kChunkBytes - 1) / kChunkBytes;

    std::array<std::uint8_t, kLargestRequest> request{};
    Answer answer;
    for (int chunk = 0; chunk < chunkCount; ++chunk) {
        const int offset = chunk * kChunkBytes;
        const auto chunkStart = static_cast<std::uint16_t>(start + chunk * (kChunkBytes / 2));
        const int chunkLength = std::min(kChunkBytes, byteCount - offset);

        request[0] = static_cast<std::uint8_t>(settings_.address & 0xFF);
        request[1] = functionCode;
        PutU16(&request[2], chunkStart);
        PutU16(&request[4], static_cast<std::uint16_t>(chunkLength / 2));
        int length = 6;
        if (!isRead) {
            request[6] = static_cast<std::uint8_t>(chunkLength);
            std::memcpy(&request[7], writeFrom + offset, static_cast<std::size_t>(chunkLength));
            length = 7 + chunkLength;
        }
        length = AppendCrc(request.data(), length);

        bool done = false;
        for (int attempt = 0; attempt < kAttemptsPerChunk && !done; ++attempt) {
            const int answerLength = Attempt(request.data(), length, pauseMs, answer.data());
            if (answerLength == 0) continue;
            if (!isRead) {
                done = true;
            } else if (answerLength >= kReadDataOffset + chunkLength + 2) {
                // An answer with fewer data bytes than asked for is a failed attempt: no
                // byte from beyond what arrived may reach the caller.
                std::memcpy(readInto + offset, answer.data() + kReadDataOffset, static_cast<std::size_t>(chunkLength));
                done = true;
            }
        }
        if (!done) return 0;
    }
    return 1;
}

}  // namespace kelvo
