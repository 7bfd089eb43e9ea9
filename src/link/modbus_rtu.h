// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CDMRJly: the Modbus RTU master. Function codes 0x04 (read input registers),
// 0x10 (write multiple registers) and the meter's own 0x41 (identification).
// It moves raw bytes in wire order; what they mean is the caller's business.

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>

#include "link/answer_check.h"
#include "link/link_result.h"
#include "link/modbus_frames.h"
#include "link/traffic_log.h"
#include "link/transport.h"
#include "settings/settings.h"

namespace kelvo {

inline constexpr int kAttemptsPerChunk = 2;
inline constexpr int kReadPauseMs = 50;
inline constexpr int kWritePauseMs = 150;
inline constexpr int kIdentifyPauseMs = 200;

class CDMRJly {
public:
    // Without a transport: on the one each endpoint needs (MakeTransport), the platform's
    // serial port or a network connection, chosen at every OpenPort from the settings.
    // With one: on that one for every endpoint (tests inject a scripted one).
    explicit CDMRJly(std::unique_ptr<Transport> port = nullptr);
    ~CDMRJly();  // a link destroyed with its port open closes it
    CDMRJly(const CDMRJly&) = delete;
    CDMRJly& operator=(const CDMRJly&) = delete;

    // Opens the endpoint the settings describe (EndpointOf). On failure the open flag stays
    // 0 and the result says why; the caller shows its message and calls ClosePort.
    LinkResult OpenPort(const SerialSettings& settings);
    // Allowed in every state; afterwards the handle is "none" and the open flag 0.
    void ClosePort();

    // Good when every chunk was read / acknowledged. Refused without I/O while the port
    // is not open; a byte count of 0 succeeds without I/O. A read writes `destination`
    // only with the data of answers that passed the answer check.
    LinkResult ReadRegisters(std::uint16_t start, std::uint16_t byteCount, std::uint8_t* destination);
    LinkResult WriteRegisters(std::uint16_t start, std::uint16_t byteCount, const std::uint8_t* source);

    // One attempt, no retry. Copies at most kIdentificationBytes bytes; the result's
    // count says how many.
    LinkResult ReadIdentification(std::uint8_t* destination);

    // While `stop` is set every wait of the link ends at once and the request in progress
    // fails as cancelled, without a second attempt (nullptr: no stop).
    void SetStop(const StopEvent* stop) {
        stop_ = stop;
        port_->SetStop(stop);
    }
    // The device went away during the last request: the port is of no more use and must
    // be closed; opening it again may find the device back.
    bool DeviceGone() const { return port_->State() == LineState::Gone; }
    bool Stopped() const { return port_->State() == LineState::Stopped; }

    // When a stop ended the wait for an answer, the meter may still be sending it: the
    // time by which it has surely done so. Before that, a new request on the same line
    // could be met by that stale answer, so the link sends nothing before it, across
    // ClosePort and OpenPort. In the past when no wait was cut short.
    std::chrono::steady_clock::time_point LateAnswerEnd() const { return lateAnswerEnd_; }
    // Waits until no late answer can be on the line; false when the stop came first.
    bool WaitForQuietLine();

    // Every request and what came back go to `log` (none: nullptr), marked with `source`.
    void SetTrafficLog(TrafficLog* log, TrafficSource source) {
        traffic_ = log;
        trafficSource_ = source;
    }
    TrafficLog* Traffic() const { return traffic_; }
    TrafficSource Source() const { return trafficSource_; }

    bool IsOpen() const { return openFlag_ != 0; }
    PortError LastOpenError() const { return lastOpenError_; }
    const SerialSettings& Settings() const { return settings_; }
    // The port itself, for exchanges the link does not make (a meter search's tries).
    Transport& Port() { return *port_; }
    // Notes a request sent at `sent` whose answer was not waited for to the end.
    void NoteCutShortWait(std::span<const std::uint8_t> request, int baudRate, int parity,
                          std::chrono::steady_clock::time_point sent);

private:
    // One request/answer exchange; the verdict's data lie in `answer`. `sent` tells whether
    // the request went out (a stop may end the wait for a quiet line before).
    LinkResult Identify(std::uint8_t* destination);
    AnswerCheck Attempt(const RequestFrame& request, int pauseMs, std::span<std::uint8_t> answer, bool& sent);
    LinkResult Transfer(std::uint8_t functionCode, std::uint16_t start, std::uint16_t byteCount,
                        std::uint8_t* readInto, const std::uint8_t* writeFrom);
    // The failure the port's state stands for after an attempt, if any.
    LinkResult PortFailure() const;
    // The result with what it ran over and which request it made.
    LinkResult Stamped(LinkResult result, std::uint8_t functionCode) const;

    SerialSettings settings_;
    int openFlag_ = 0;
    std::unique_ptr<Transport> port_;
    bool choosesTransport_ = false;  // port_ is replaced when an endpoint needs another kind
    const StopEvent* stop_ = nullptr;
    PortError lastOpenError_ = PortError::None;
    TrafficLog* traffic_ = nullptr;
    TrafficSource trafficSource_ = TrafficSource::Polling;
    std::chrono::steady_clock::time_point lateAnswerEnd_{};
};

}  // namespace kelvo
