// SPDX-License-Identifier: GPL-3.0-or-later
#include "live/live_connection.h"

#include <chrono>

#include "messages/failure_text.h"
#include "messages/prompter.h"

namespace kelvo {

namespace {

// A vanished device is looked for this often; an adapter plugged back in takes about as
// long to get its node again.
constexpr std::chrono::milliseconds kReopenInterval{1000};

}  // namespace

LiveConnection::LiveConnection(LineOwner& line, std::mutex& liveMutex) : line_(line), shared_(liveMutex) {}

LiveConnection::~LiveConnection() { DisconnectAndWait(); }

bool LiveConnection::Connect(Prompter& messages, ConnectionEvents events, std::optional<SerialSettings> settings) {
    // Held until the job's id is noted, so that a job ending at once clears it after.
    const std::lock_guard lock(jobMutex_);
    if (job_.load() != 0) return false;
    const LineOwner::JobId id = line_.Submit(
        TrafficSource::Polling,
        [this, &messages, events, settings](LineJob& job) { Run(job, messages, events, settings); },
        [this, ended = events.ended] {
            {
                const std::lock_guard ending(jobMutex_);
                polling_.store(false);
                job_.store(0);
            }
            if (ended) ended();
        });
    job_.store(id);
    return id != 0;
}

void LiveConnection::Disconnect() {
    if (const LineOwner::JobId id = job_.load(); id != 0) line_.Cancel(id);
}

void LiveConnection::DisconnectAndWait() {
    const LineOwner::JobId id = job_.load();
    if (id == 0) return;
    line_.Cancel(id);
    line_.WaitEnded(id);
}

LineOwner::JobId LiveConnection::SubmitBetweenCycles(TrafficSource source, LineOwner::Work work,
                                                     LineOwner::Ended ended) {
    if (!polling_.load()) return 0;
    return line_.SubmitBetweenCycles(job_.load(), source, std::move(work), std::move(ended));
}

MeterIdentity LiveConnection::Identity() const {
    std::lock_guard lock(shared_.LiveMutex);
    return identity_;
}

void LiveConnection::ResetIdentity() {
    std::lock_guard lock(shared_.LiveMutex);
    identity_ = MeterIdentity{};
    identifiedAs_ = {};
}

IdentificationTexts LiveConnection::IdentifiedAs() const {
    std::lock_guard lock(shared_.LiveMutex);
    return identifiedAs_;
}

LiveRecord LiveConnection::CopySnapshot() const {
    std::lock_guard lock(shared_.LiveMutex);
    return shared_.snapshot;
}

LinkHealth LiveConnection::Health() const {
    std::lock_guard lock(shared_.LiveMutex);
    return shared_.health;
}

SerialSettings LiveConnection::PollingSettings() const {
    std::lock_guard lock(shared_.LiveMutex);
    return pollingSettings_;
}

void LiveConnection::Run(LineJob& job, Prompter& messages, const ConnectionEvents& events,
                         const std::optional<SerialSettings>& settings) {
    CDMRJly& link = job.Link();
    const SerialSettings use = settings.value_or(job.Settings());
    const LinkResult opened = link.OpenPort(use);
    openError_.store(opened.portError);
    if (!opened) {
        WarnOpenFailed(messages, opened);
        link.ClosePort();
        return;
    }
    MeterIdentity identity;
    IdentificationTexts texts;
    if (IdentifyMeter(link, messages, identity, &texts) == 0) return;
    {
        // The identification just answered: the link counts as good from here, but no
        // value is on screen before the first good cycle.
        std::lock_guard lock(shared_.LiveMutex);
        identity_ = identity;
        identifiedAs_ = texts;
        pollingSettings_ = use;
        shared_.working = LiveRecord{};
        shared_.snapshot = LiveRecord{};
        shared_.health = {.lastGoodCycle = std::chrono::steady_clock::now(),
                          .lastCycleGood = true,
                          .portOpen = true,
                          .goodCycleSeen = false,
                          .linkType = EndpointOf(use).type};
    }
    polling_.store(true);
    if (events.identified) events.identified(identity);
    PollingLoop(job, events);
}

void LiveConnection::SetPortOpen(bool open) {
    std::lock_guard lock(shared_.LiveMutex);
    shared_.health.portOpen = open;
}

bool LiveConnection::Reopen(LineJob& job, const SerialSettings& settings) {
    CDMRJly& link = job.Link();
    // The descriptor of a vanished device is closed at once, so that the node can come
    // back (a USB adapter gets its name again only once nobody holds the old one).
    link.ClosePort();
    SetPortOpen(false);
    for (;;) {
        if (job.Stop().WaitFor(kReopenInterval)) return false;
        if (link.OpenPort(settings)) break;
        link.ClosePort();
    }
    SetPortOpen(true);
    return true;
}

void LiveConnection::PollingLoop(LineJob& job, const ConnectionEvents& events) {
    const SerialSettings settings = PollingSettings();
    while (!job.Cancelled()) {
        const int meterKind = meterKind_.load();
        // Read once per cycle: a byte order the user changes applies from the next cycle.
        const bool good = PollOnce(job.Link(), meterKind, shared_, job.CurrentSettings().byteOrderMode);
        if (events.cycleEnded && !job.Link().Stopped()) {
            // Only this thread writes the working record, so it is read here without the lock.
            events.cycleEnded({.wallTime = std::chrono::system_clock::now(),
                               .steadyTime = std::chrono::steady_clock::now(),
                               .meterKind = meterKind,
                               .good = good,
                               .values = good ? &shared_.working : nullptr});
        }
        // Closed: a job between the cycles was cancelled and the port would not open again.
        if ((job.Link().DeviceGone() || !job.Link().IsOpen()) && !Reopen(job, settings)) break;
        // Jobs submitted meanwhile (a sensor factor written and read back) take the line
        // here, between two cycles; polling goes on after them.
        job.RunJobsBetweenCycles();
        // Waiting on the stop rather than sleeping lets a disconnect end the pause at once.
        if (job.Stop().WaitFor(kPauseBetweenCycles)) break;
    }
}

}  // namespace kelvo
