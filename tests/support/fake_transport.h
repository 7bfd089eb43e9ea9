// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scripted transport for logic tests: a meter made of a function from request to
// answer, no pseudo-terminal and no waiting. A silent meter answers nothing at once
// (the link then sees what a timeout would show it); pauses take no time; the stop is
// honoured as on a real port. Tests read every frame the link wrote.

#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "link/crc16.h"
#include "link/stop_event.h"
#include "link/transport.h"

namespace kelvo::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes WithCrc16(Bytes frame) {
    const std::uint16_t crc = Crc16(frame.data(), static_cast<std::uint16_t>(frame.size()));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

// What the test and the transport share; the link owns the transport itself.
struct FakeLine {
    using Meter = std::function<Bytes(std::span<const std::uint8_t> request)>;

    std::mutex mutex;
    Meter meter;                     // empty: silent
    PortError openError = PortError::None;
    std::vector<Bytes> written;      // every request, in order
    std::vector<std::string> opened; // the endpoints opened: port names, "host:port"
    int closes = 0;
    bool open = false;
    // Called with the number of the request (from 1) just before its answer is read: a
    // test can raise the stop or unplug the adapter there.
    std::function<void(std::size_t request)> beforeAnswer;
    bool gone = false;  // the adapter is unplugged

    std::vector<Bytes> Written() {
        const std::lock_guard lock(mutex);
        return written;
    }
};

class FakeTransport final : public Transport {
public:
    explicit FakeTransport(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {}

    PortError Open(const Endpoint& endpoint) override {
        const std::lock_guard lock(line_->mutex);
        baudRate_ = endpoint.baudRate;
        state_ = LineState::Ok;
        if (line_->openError != PortError::None) return line_->openError;
        line_->open = true;
        line_->opened.push_back(EndpointText(endpoint));
        return PortError::None;
    }
    void Configure(int baudRate, int /*parity*/) override { baudRate_ = baudRate; }
    void Close() override {
        const std::lock_guard lock(line_->mutex);
        if (line_->open) ++line_->closes;
        line_->open = false;
        state_ = LineState::Ok;
        pending_.clear();
    }
    bool IsOpen() const override {
        const std::lock_guard lock(line_->mutex);
        return line_->open;
    }
    void Purge() override { pending_.clear(); }
    void Write(std::span<const std::uint8_t> bytes) override {
        std::function<Bytes(std::span<const std::uint8_t>)> meter;
        {
            const std::lock_guard lock(line_->mutex);
            if (!line_->open || state_ != LineState::Ok) return;
            if (line_->gone) {
                state_ = LineState::Gone;
                return;
            }
            line_->written.emplace_back(bytes.begin(), bytes.end());
            meter = line_->meter;
        }
        pending_ = meter ? meter(bytes) : Bytes{};
    }
    std::size_t Read(std::span<std::uint8_t> buffer, ReadTimeouts /*timeouts*/,
                     const FrameComplete& /*complete*/ = {}) override {
        if (state_ != LineState::Ok) return 0;
        std::function<void(std::size_t)> hook;
        std::size_t requests = 0;
        {
            const std::lock_guard lock(line_->mutex);
            hook = line_->beforeAnswer;
            requests = line_->written.size();
        }
        if (hook) hook(requests);
        if (Stopped()) return 0;
        {
            const std::lock_guard lock(line_->mutex);
            if (line_->gone) {
                state_ = LineState::Gone;
                return 0;
            }
        }
        const std::size_t count = std::min(buffer.size(), pending_.size());
        std::copy_n(pending_.begin(), count, buffer.begin());
        pending_.clear();
        return count;
    }
    bool Wait(std::chrono::milliseconds /*duration*/) override { return !Stopped(); }
    void SetStop(const StopEvent* stop) override { stop_ = stop; }
    LineState State() const override { return state_; }
    int BaudRate() const override { return baudRate_; }

private:
    bool Stopped() {
        if (stop_ != nullptr && stop_->IsSet()) state_ = LineState::Stopped;
        return state_ == LineState::Stopped;
    }

    std::shared_ptr<FakeLine> line_;
    const StopEvent* stop_ = nullptr;
    LineState state_ = LineState::Ok;
    int baudRate_ = 0;
    Bytes pending_;
};

}  // namespace kelvo::test
