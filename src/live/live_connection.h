// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The live connection: identifies the meter and then polls it, as one job on the line's
// worker, until it is disconnected. The polling thread of old is that job; the live
// records it fills are read by the window's tick under LiveMutex.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

#include "line/line_owner.h"
#include "live/live_polling.h"
#include "meter/meter_identity.h"

namespace kelvo {

class Prompter;

// A polling cycle that ran to its end, good or failed; a cycle a stop cut short is none.
struct PolledCycle {
    std::chrono::system_clock::time_point wallTime;  // the system clock as the cycle ended
    std::chrono::steady_clock::time_point steadyTime;
    int meterKind = 0;  // the kind the cycle read
    bool good = false;  // every block was read
    const LiveRecord* values = nullptr;  // a good cycle's values, valid during the call only
};

struct ConnectionEvents {
    // On the worker, once the meter has been identified; polling begins right after.
    std::function<void(const MeterIdentity&)> identified;
    // On the worker, once the connection's job has ended: the open or the identification
    // failed (its message shown and closed), it was cancelled, or disconnected.
    std::function<void()> ended;
    // On the worker after every polling cycle that ran to its end. The next cycle waits for
    // it: it must never wait for a disk or for the window.
    std::function<void(const PolledCycle&)> cycleEnded;
};

class LiveConnection {
public:
    // liveMutex is the process-wide LiveMutex.
    LiveConnection(LineOwner& line, std::mutex& liveMutex);
    ~LiveConnection();  // disconnects and waits until the line no longer polls
    LiveConnection(const LiveConnection&) = delete;
    LiveConnection& operator=(const LiveConnection&) = delete;

    // Submits the connection to the line: open the port with the line's serial settings
    // (or `settings`), identify the meter — its failures reach `messages`, which must
    // outlive the job — then poll cycle after cycle until Disconnect. When the device
    // goes away the port is closed and opened again with the same settings about once a
    // second; polling resumes by itself once it is back. False when a connection is
    // under way already or the line takes no job.
    bool Connect(Prompter& messages, ConnectionEvents events, std::optional<SerialSettings> settings = {});
    // Raises the stop for the connection's job, which ends the wait in progress at once;
    // returns at once. The job closes the port as it ends.
    void Disconnect();
    // Disconnects and waits until the job has ended (the command line; closing).
    void DisconnectAndWait();
    // Submits `work` to take the line between two polling cycles, on the connection's open
    // port (LineOwner::SubmitBetweenCycles): a sensor factor written and read back while
    // connected. Polling goes on after it. 0 when the connection does not poll.
    LineOwner::JobId SubmitBetweenCycles(TrafficSource source, LineOwner::Work work, LineOwner::Ended ended = {});
    // Why the latest open failed; PortError::None after a good one.
    PortError LastOpenError() const { return openError_.load(); }
    // From Connect until the job has ended.
    bool Active() const { return job_.load() != 0; }
    // The connection's job on the line, 0 when none runs.
    LineOwner::JobId Job() const { return job_.load(); }
    // Identified and polling.
    bool IsPolling() const { return polling_.load(); }

    // The meter kind the polling reads at the start of every cycle.
    void SetMeterKind(int meterKind) { meterKind_.store(meterKind); }
    int MeterKind() const { return meterKind_.load(); }

    // The latest identification; ModelIndex 0, ParamEncoding 1 before any.
    MeterIdentity Identity() const;
    void ResetIdentity();
    // The model code and version characters the latest identification answered.
    IdentificationTexts IdentifiedAs() const;

    // A private copy of the snapshot, taken under LiveMutex.
    LiveRecord CopySnapshot() const;
    // The link's health as the polling last left it, taken under LiveMutex.
    LinkHealth Health() const;
    // The serial settings polling runs with, fixed from the identification to the end.
    SerialSettings PollingSettings() const;

private:
    void Run(LineJob& job, Prompter& messages, const ConnectionEvents& events,
             const std::optional<SerialSettings>& settings);
    void PollingLoop(LineJob& job, const ConnectionEvents& events);
    void SetPortOpen(bool open);
    // Opens the port again after the device went away; false when a stop came first.
    bool Reopen(LineJob& job, const SerialSettings& settings);

    LineOwner& line_;
    LiveShared shared_;
    MeterIdentity identity_;          // under LiveMutex
    IdentificationTexts identifiedAs_;  // under LiveMutex
    SerialSettings pollingSettings_;  // under LiveMutex
    std::atomic<int> meterKind_{0};
    std::mutex jobMutex_;  // orders the noting of the job's id and its clearing
    std::atomic<LineOwner::JobId> job_{0};
    std::atomic<bool> polling_{false};
    std::atomic<PortError> openError_{PortError::None};
};

}  // namespace kelvo
