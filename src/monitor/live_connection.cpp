#include "monitor/live_connection.h"

#include <chrono>
#include <system_error>

#include "messages/prompter.h"
#include "settings/settings.h"

namespace kelvo {

namespace {

constexpr std::chrono::milliseconds kPauseBetweenCycles{100};

}  // namespace

LiveConnection::LiveConnection(StopEvent& stopEvent, std::mutex& liveMutex)
    : stopEvent_(stopEvent), shared_(liveMutex) {}

LiveConnection::~LiveConnection() { StopPolling(); }

bool LiveConnection::OpenAndIdentify(Prompter& prompter) {
    // While polling, the port is the thread's; the meter was identified at connect.
    if (connected_) return true;

    const SerialSettings settings = LoadSerialSettings();
    if (link_.OpenPort(settings) == 0) {
        prompter.Warn(kOpenPortFailedText, PortErrorText(link_.LastOpenError()));
        link_.ClosePort();
        return false;
    }
    return IdentifyMeter(link_, prompter, identity_) != 0;
}

void LiveConnection::StartPolling() {
    if (pollingThread_.joinable()) return;
    stopEvent_.Reset();
    try {
        pollingThread_ = std::thread(&LiveConnection::PollingLoop, this);
    } catch (const std::system_error&) {
        // No thread, no connection: the port must not stay open without its user.
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
    link_.ClosePort();
    connected_ = false;
}

LiveRecord LiveConnection::CopySnapshot() const {
    std::lock_guard lock(shared_.LiveMutex);
    return shared_.snapshot;
}

void LiveConnection::PollingLoop() {
    while (!stopEvent_.IsSet()) {
        PollOnce(link_, meterKind_.load(), shared_);
        // Waiting on the event rather than sleeping lets a disconnect end the pause at once.
        if (stopEvent_.WaitFor(kPauseBetweenCycles)) break;
    }
}

}  // namespace kelvo
