// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated meter's register image and answers behind the fake transport. Where the
// point of a test is what the link sends and where the answers land, not how long the
// wire takes, this spares it a pseudo-terminal and every wait for a real answer.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "link/modbus_rtu.h"
#include "settings/settings.h"
#include "sim/meter_model.h"
#include "sim/slave_protocol.h"
#include "support/fake_transport.h"

namespace kelvo::test {

// An identification answer (function code 0x41) from `address` carrying `data`.
inline Bytes IdentificationAnswer(const std::string& data, std::uint8_t address = 8) {
    Bytes frame = {address, 0x41, 0x00, static_cast<std::uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    return WithCrc16(std::move(frame));
}

class FakeMeter {
public:
    explicit FakeMeter(sim::SimMeterKind kind = sim::SimMeterKind::W58) : model_(kind, 8) {}

    // Makes this the meter on `line`. It must outlive every job on that line.
    void Attach(FakeLine& line) {
        const std::lock_guard lock(line.mutex);
        line.meter = [this](std::span<const std::uint8_t> request) { return Answer(request); };
    }

    // Register values as the simulator stores them, high byte first on the wire.
    void Edit(const std::function<void(sim::RegisterImage&)>& change) {
        const std::lock_guard lock(mutex_);
        change(model_.Image());
    }
    void SetIdentification(const std::string& modelAndVersion) {
        const std::lock_guard lock(mutex_);
        identification_.assign(modelAndVersion.begin(), modelAndVersion.end());
    }
    // Reads touching [first, last] are refused with exception 02; first > last: none.
    void SetExceptionRange(int first, int last) {
        const std::lock_guard lock(mutex_);
        exceptionFirst_ = first;
        exceptionLast_ = last;
    }
    void SetSilent(bool silent) {
        const std::lock_guard lock(mutex_);
        silent_ = silent;
    }

    Bytes Answer(std::span<const std::uint8_t> request) {
        const std::lock_guard lock(mutex_);
        if (silent_ || request.size() < 2) return {};
        if (const auto span = sim::RequestedRegisters(request);
            span && span->first <= exceptionLast_ && span->first + span->count - 1 >= exceptionFirst_) {
            return sim::ExceptionAnswer(request[0], request[1], sim::kIllegalDataAddress);
        }
        return sim::AnswerRequest(request, model_, identification_, 0).bytes;
    }

private:
    std::mutex mutex_;
    sim::MeterModel model_;
    std::vector<std::uint8_t> identification_ = {'R', 'A', '0', '3', '2', '0', '0', '4'};
    int exceptionFirst_ = 1;
    int exceptionLast_ = 0;
    bool silent_ = false;
};

// A link on the fake transport to a fake meter of `kind` that answers `identification`,
// its port open at 57600 baud.
struct FakeMeterLink {
    explicit FakeMeterLink(sim::SimMeterKind kind, const std::string& identification) : meter(kind) {
        meter.SetIdentification(identification);
        meter.Attach(*wire);
        settings.baudRate = 57600;
        link.OpenPort(settings);
    }

    std::shared_ptr<FakeLine> wire = std::make_shared<FakeLine>();
    FakeMeter meter;
    CDMRJly link{std::make_unique<FakeTransport>(wire)};
    SerialSettings settings;
};

}  // namespace kelvo::test
