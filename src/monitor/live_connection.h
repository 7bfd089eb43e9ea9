#pragma once
// The main window's live connection: its own link, the identification of the meter,
// the polling thread and the two live records.

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "link/modbus_rtu.h"
#include "monitor/live_polling.h"
#include "monitor/meter_identity.h"
#include "monitor/stop_event.h"

namespace kelvo {

class Prompter;

class LiveConnection {
public:
    // stopEvent and liveMutex are the process-wide StopEvent and LiveMutex.
    LiveConnection(StopEvent& stopEvent, std::mutex& liveMutex);
    ~LiveConnection();  // stops polling and closes the port on every path
    LiveConnection(const LiveConnection&) = delete;
    LiveConnection& operator=(const LiveConnection&) = delete;

    // Connect steps before the state changes: load the serial settings, open the
    // port, identify the meter. On failure the message has been shown and the port
    // is closed; returns false.
    bool OpenAndIdentify(Prompter& prompter);
    // The same with the given settings instead of the stored ones (the command line names
    // its own port).
    bool OpenAndIdentify(Prompter& prompter, const SerialSettings& settings);
    // Why the latest open failed; PortError::None after a good one.
    PortError LastOpenError() const { return link_.LastOpenError(); }
    // The connection's requests and answers, its identification's included, go to `log`.
    // Only while not connected.
    void SetTrafficLog(TrafficLog* log) { link_.SetTrafficLog(log, TrafficSource::Polling); }
    // Until then the meter may still be sending the answer a disconnect did not wait for.
    std::chrono::steady_clock::time_point LineQuietAt() const { return lineQuietAt_; }
    // Resets StopEvent and starts the polling thread; the connection is now connected.
    // When the device goes away the thread closes the port and opens it again with the
    // same settings about once a second; polling resumes by itself once it is back.
    void StartPolling();
    // Signals StopEvent, which ends the wait in progress at once, joins the thread and
    // closes the port.
    void StopPolling();
    bool IsConnected() const { return connected_; }

    // The meter kind the polling thread reads at the start of every cycle.
    void SetMeterKind(int meterKind) { meterKind_.store(meterKind); }
    int MeterKind() const { return meterKind_.load(); }

    const MeterIdentity& Identity() const { return identity_; }
    void ResetIdentity() { identity_ = MeterIdentity{}; }  // ModelIndex 0, ParamEncoding 1

    // A private copy of the snapshot, taken under LiveMutex.
    LiveRecord CopySnapshot() const;
    // The link's health as the polling thread last left it, taken under LiveMutex.
    LinkHealth Health() const;
    // The serial settings polling runs with, fixed from StartPolling to StopPolling.
    const SerialSettings& PollingSettings() const { return pollingSettings_; }

private:
    void PollingLoop();
    void SetPortOpen(bool open);
    // Opens the port again after the device went away; false when a stop came first.
    bool Reopen();

    StopEvent& stopEvent_;
    LiveShared shared_;
    CDMRJly link_;
    MeterIdentity identity_;
    std::atomic<int> meterKind_{0};
    bool connected_ = false;
    SerialSettings pollingSettings_;
    // A disconnect does not wait for the answer in flight; the next identification waits
    // until it is surely over, so that it is not met by it.
    std::chrono::steady_clock::time_point lineQuietAt_{};
    std::thread pollingThread_;
};

}  // namespace kelvo
