#pragma once
// The main window's live connection: its own link, the identification of the meter,
// the polling thread and the two live records.

#include <atomic>
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
    // Resets StopEvent and starts the polling thread; the connection is now connected.
    void StartPolling();
    // Signals StopEvent, waits for the cycle in progress to end, closes the port.
    void StopPolling();
    bool IsConnected() const { return connected_; }

    // The meter kind the polling thread reads at the start of every cycle.
    void SetMeterKind(int meterKind) { meterKind_.store(meterKind); }
    int MeterKind() const { return meterKind_.load(); }

    const MeterIdentity& Identity() const { return identity_; }
    void ResetIdentity() { identity_ = MeterIdentity{}; }  // ModelIndex 0, ParamEncoding 1

    // A private copy of the snapshot, taken under LiveMutex.
    LiveRecord CopySnapshot() const;

private:
    void PollingLoop();

    StopEvent& stopEvent_;
    LiveShared shared_;
    CDMRJly link_;
    MeterIdentity identity_;
    std::atomic<int> meterKind_{0};
    bool connected_ = false;
    std::thread pollingThread_;
};

}  // namespace kelvo
