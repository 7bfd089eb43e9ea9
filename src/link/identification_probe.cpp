#include "link/identification_probe.h"

#include <algorithm>
#include <array>

#include "link/modbus_frames.h"
#include "link/traffic_log.h"
#include "link/transport.h"

namespace kelvo {
namespace {

constexpr std::size_t kExceptionAnswerLength = 5;  // address, function | 0x80, code, CRC
constexpr std::size_t kIdentificationHeader = 4;   // address, function, unused byte, length
constexpr std::size_t kCrcLength = 2;

}  // namespace

bool IdentificationAnswerComplete(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 2) return false;
    if (bytes[1] == (kIdentify | kExceptionBit)) return bytes.size() >= kExceptionAnswerLength;
    if (bytes[1] != kIdentify || bytes.size() < kIdentificationHeader) return false;
    return bytes.size() >= kIdentificationHeader + bytes[3] + kCrcLength;
}

ProbeAnswer ProbeIdentification(Transport& port, std::uint8_t address, std::chrono::microseconds floor,
                                TrafficLog* log) {
    const auto started = std::chrono::steady_clock::now();
    const RequestFrame request = IdentificationRequest(address);
    port.Purge();
    port.Write(request.View());
    if (log != nullptr) log->Record(TrafficKind::Sent, TrafficSource::Search, request.View());

    // No interval timeout: a try ends at a time of its own, or once the answer is whole.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(started + floor - std::chrono::steady_clock::now());
    std::array<std::uint8_t, kQueueSize> buffer;
    const std::size_t count =
        port.Read(buffer, {.intervalMs = -1, .totalMs = static_cast<int>(std::max<long long>(left.count(), 0))},
                  IdentificationAnswerComplete);
    const std::span<const std::uint8_t> answer(buffer.data(), count);
    if (log != nullptr && port.State() != LineState::Stopped) {
        const auto waitedMs = std::chrono::round<std::chrono::milliseconds>(floor).count();
        log->RecordAnswer(TrafficSource::Search, answer, static_cast<std::uint32_t>(waitedMs));
    }
    const AnswerCheck check = CheckAnswer(request.View(), answer);
    return {.fault = check.fault, .data = {check.data.begin(), check.data.end()}};
}

}  // namespace kelvo
