// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/cycle_recorder.h"


#include "link/byte_order.h"  // DigitsToNumber
#include "meter/meter_identity.h"
#include "meter/w58_map.h"

namespace kelvo {
namespace {

constexpr Parameter kMeterNumber = ParameterNamed(w58_map::kParameters, "meter_number");

std::int64_t Milliseconds(auto timePoint) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(timePoint.time_since_epoch()).count();
}

}  // namespace

LogIdentity IdentityOf(const LiveConnection& connection) {
    const IdentificationTexts texts = connection.IdentifiedAs();
    const SerialSettings line = connection.PollingSettings();
    const int meterKind = connection.MeterKind();
    return {.model = texts.model,
            .version = texts.version,
            .meterNumber = {},
            .meterKind = meterKind,
            .measuresHeat = MeasuresHeat(meterKind, connection.Identity().modelIndex),
            .port = line.portName,
            .address = line.address,
            .baudRate = line.baudRate,
            .parity = line.parity};
}

CycleRecorder::~CycleRecorder() { (void)FinishLog(); }

void CycleRecorder::Begin(const LogIdentity& identity) {
    store_.Begin(identity.meterKind, identity.measuresHeat);
    const std::lock_guard lock(mutex_);
    identity_ = identity;
}

void CycleRecorder::Record(const PolledCycle& cycle) {
    const std::int64_t timeMs = Milliseconds(cycle.wallTime);
    const bool good = cycle.good && cycle.values != nullptr;
    const CycleSample sample = good ? GoodSample(*cycle.values, timeMs, cycle.meterKind) : FailedSample(timeMs);
    store_.Append(sample, Milliseconds(cycle.steadyTime));

    const std::lock_guard lock(mutex_);
    if (!log_) return;
    LogEntry entry{.sample = sample, .meterNumber = std::nullopt};
    if (good && cycle.meterKind == kW58Meter) {
        if (const auto* digits = cycle.values->Raw(kMeterNumber.reg, 8)) entry.meterNumber = DigitsToNumber(digits);
    }
    // A full queue stops the log; the writer reports it.
    (void)log_->Push(entry);
}

std::optional<LogIdentity> CycleRecorder::Identity() const {
    const std::lock_guard lock(mutex_);
    return identity_;
}

bool CycleRecorder::StartLog(LogOptions options) {
    {
        const std::lock_guard lock(mutex_);
        if (!identity_) return false;
        options.identity = *identity_;
    }
    // The writer's thread starts outside the lock, which recording takes every cycle.
    auto log = std::make_unique<LogWriter>(std::move(options));
    std::vector<std::unique_ptr<LogWriter>> ended;
    {
        const std::lock_guard lock(mutex_);
        ended = TakeEndedLogs();
        if (log_) {
            log_->RequestStop();
            stopping_.push_back(std::move(log_));
        }
        log_ = std::move(log);
    }
    return true;
}

void CycleRecorder::StopLog() {
    std::vector<std::unique_ptr<LogWriter>> ended;
    const std::lock_guard lock(mutex_);
    ended = TakeEndedLogs();
    if (!log_) return;
    log_->RequestStop();
    stopping_.push_back(std::move(log_));
}

std::optional<LogProgress> CycleRecorder::FinishLog() {
    std::unique_ptr<LogWriter> log;
    std::vector<std::unique_ptr<LogWriter>> stopping;
    {
        const std::lock_guard lock(mutex_);
        log = std::move(log_);
        stopping.swap(stopping_);
    }
    stopping.clear();
    if (!log) return std::nullopt;
    return log->StopAndWait();
}

std::optional<LogProgress> CycleRecorder::RunningLog() const {
    const std::lock_guard lock(mutex_);
    if (!log_) return std::nullopt;
    return log_->Progress();
}

std::vector<std::unique_ptr<LogWriter>> CycleRecorder::TakeEndedLogs() {
    // A writer that no longer runs has closed its file; destroying it joins its thread, which
    // its caller does once the lock is released (the thread may still be in its last callback).
    std::vector<std::unique_ptr<LogWriter>> ended;
    for (auto& log : stopping_) {
        if (!log->Progress().running) ended.push_back(std::move(log));
    }
    std::erase(stopping_, nullptr);
    return ended;
}

}  // namespace kelvo
