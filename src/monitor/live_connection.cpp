#include "monitor/live_connection.h"

#include <chrono>
#include <system_error>
#include <thread>

#include "messages/prompter.h"
#include "settings/settings.h"

namespace kelvo {

namespace {

// A vanished device is looked for this often; an adapter plugged back in takes about as
// long to get its node again.
constexpr std::chrono::milliseconds kReopenInterval{1000};

}  // namespace

LiveConnection::LiveConnection(StopEvent& stopEvent, std::mutex& liveMutex)
    : stopEvent_(stopEvent), shared_(liveMutex) {}

LiveConnection::~LiveConnection() { StopPolling(); }

bool LiveConnection::OpenAndIdentify(Prompter& prompter) {
    // While polling, the port is the thread's; the meter was identified at connect.
    if (connected_) return true;
    return OpenAndIdentify(prompter, LoadSerialSettings());
}

bool LiveConnection::OpenAndIdentify(Prompter& prompter, const SerialSettings& settings) {
    if (connected_) return true;
    if (link_.OpenPort(settings) == 0) {
        prompter.Warn(kOpenPortFailedText, PortErrorText(link_.LastOpenError()));
        link_.ClosePort();
        return false;
    }
    std::this_thread::sleep_until(lineQuietAt_);
    return IdentifyMeter(link_, prompter, identity_) != 0;
}

void LiveConnection::StartPolling() {
    if (pollingThread_.joinable()) return;
    stopEvent_.Reset();
    pollingSettings_ = link_.Settings();
    {
        // The identification just answered: the link counts as good from here.
        std::lock_guard lock(shared_.LiveMutex);
        shared_.health = {.lastGoodCycle = std::chrono::steady_clock::now(), .lastCycleGood = true, .portOpen = true};
    }
    link_.SetStopSignal(stopEvent_.Fd());
    try {
        pollingThread_ = std::thread(&LiveConnection::PollingLoop, this);
    } catch (const std::system_error&) {
        // No thread, no connection: the port must not stay open without its user.
        link_.SetStopSignal(-1);
        link_.ClosePort();
        connected_ = false;
        return;
    }
    connected_ = true;
}

void LiveConnection::StopPolling() {
    if (pollingThread_.joinable()) {
        stopEvent_.Set();
        pollingThread_.join();
    }
    // The identification at the next connect runs on this thread, with no stop to heed.
    link_.SetStopSignal(-1);
    lineQuietAt_ = link_.LateAnswerEnd();
    link_.ClosePort();
    connected_ = false;
}

LiveRecord LiveConnection::CopySnapshot() const {
    std::lock_guard lock(shared_.LiveMutex);
    return shared_.snapshot;
}

LinkHealth LiveConnection::Health() const {
    std::lock_guard lock(shared_.LiveMutex);
    return shared_.health;
}

void LiveConnection::SetPortOpen(bool open) {
    std::lock_guard lock(shared_.LiveMutex);
    shared_.health.portOpen = open;
}

bool LiveConnection::Reopen() {
    // The descriptor of a vanished device is closed at once, so that the node can come
    // back (a USB adapter gets its name again only once nobody holds the old one).
    link_.ClosePort();
    SetPortOpen(false);
    for (;;) {
        if (stopEvent_.WaitFor(kReopenInterval)) return false;
        if (link_.OpenPort(pollingSettings_) != 0) break;
        link_.ClosePort();
    }
    SetPortOpen(true);
    return true;
}

void LiveConnection::PollingLoop() {
    while (!stopEvent_.IsSet()) {
        PollOnce(link_, meterKind_.load(), shared_);
        if (link_.DeviceGone() && !Reopen()) break;
        // Waiting on the event rather than sleeping lets a disconnect end the pause at once.
        if (stopEvent_.WaitFor(kPauseBetweenCycles)) break;
    }
}

}  // namespace kelvo
