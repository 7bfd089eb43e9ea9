#pragma once
// CDMRJly: the Modbus RTU master. Function codes 0x04 (read input registers),
// 0x10 (write multiple registers) and the meter's own 0x41 (identification).
// It moves raw bytes in wire order; what they mean is the caller's business.

#include <chrono>
#include <cstdint>
#include <span>

#include "link/answer_check.h"
#include "link/modbus_frames.h"
#include "link/serial_port.h"
#include "link/traffic_log.h"
#include "settings/settings.h"

namespace kelvo {

// The communication base of the link. Its socket transport is never used; only the
// virtual destructor remains.
class CSocketComm {
public:
    CSocketComm() = default;
    virtual ~CSocketComm() = default;
    CSocketComm(const CSocketComm&) = delete;
    CSocketComm& operator=(const CSocketComm&) = delete;
};

inline constexpr int kAttemptsPerChunk = 2;
inline constexpr int kReadPauseMs = 50;
inline constexpr int kWritePauseMs = 150;
inline constexpr int kIdentifyPauseMs = 200;

class CDMRJly : public CSocketComm {
public:
    CDMRJly() = default;
    ~CDMRJly() override;  // a link destroyed with its port open closes it

    // Non-zero on success. On failure the open flag stays 0; the caller shows its
    // message and calls ClosePort.
    int OpenPort(const SerialSettings& settings);
    // Allowed in every state; afterwards the handle is "none" and the open flag 0.
    void ClosePort();

    // 1 when every chunk was read / acknowledged, 0 otherwise. Refuse without I/O
    // while the port is not open; a byte count of 0 succeeds without I/O.
    int ReadRegisters(std::uint16_t start, std::uint16_t byteCount, std::uint8_t* destination);
    int WriteRegisters(std::uint16_t start, std::uint16_t byteCount, const std::uint8_t* source);

    // One attempt, no retry. Copies at most kIdentificationBytes bytes, and never
    // more than arrived; returns the count (0 on failure).
    int ReadIdentification(std::uint8_t* destination);

    // While the descriptor is readable every wait of the link ends at once and the
    // request in progress fails without a second attempt (see CSerialPort).
    void SetStopSignal(int fd) { port_.SetStopSignal(fd); }
    // The device went away during the last request: the port is of no more use and must
    // be closed; opening it again may find the device back.
    bool DeviceGone() const { return port_.State() == LineState::Gone; }
    bool Stopped() const { return port_.State() == LineState::Stopped; }
    // When a stop ended the wait for an answer, the meter may still be sending it: the
    // time by which it has surely done so. Before that, a new request on the same line
    // could be met by that stale answer. In the past when no wait was cut short.
    std::chrono::steady_clock::time_point LateAnswerEnd() const { return lateAnswerEnd_; }

    // Every request and what came back go to `log` (none: nullptr), marked with `source`.
    void SetTrafficLog(TrafficLog* log, TrafficSource source) {
        traffic_ = log;
        trafficSource_ = source;
    }

    bool IsOpen() const { return openFlag_ != 0; }
    PortError LastOpenError() const { return port_.LastError(); }
    const SerialSettings& Settings() const { return settings_; }

private:
    // One request/answer exchange; the verdict's data lie in `answer`.
    AnswerCheck Attempt(const RequestFrame& request, int pauseMs, std::span<std::uint8_t> answer);
    // Notes a request sent at `sent` whose answer was not waited for to the end.
    void NoteCutShortWait(const RequestFrame& request, std::chrono::steady_clock::time_point sent);
    int Transfer(std::uint8_t functionCode, std::uint16_t start, std::uint16_t byteCount,
                 std::uint8_t* readInto, const std::uint8_t* writeFrom);

    SerialSettings settings_;
    int openFlag_ = 0;
    CSerialPort port_;
    TrafficLog* traffic_ = nullptr;
    TrafficSource trafficSource_ = TrafficSource::Polling;
    std::chrono::steady_clock::time_point lateAnswerEnd_{};
};

}  // namespace kelvo
