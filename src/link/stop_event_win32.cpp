// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows side of stop_event.h: a manual-reset event object, which overlapped reads
// and writes of the serial port wait on beside their own completion.

#include "link/stop_event.h"

#include <windows.h>

#include <algorithm>
#include <thread>

namespace kelvo {
namespace {

// Without an event object a wait looks at the flag this often.
constexpr std::chrono::milliseconds kFallbackStep{10};

}  // namespace

StopEvent::StopEvent() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

StopEvent::~StopEvent() {
    if (handle_ != nullptr) CloseHandle(handle_);
}

void StopEvent::Set() {
    set_.store(true);
    if (handle_ != nullptr) SetEvent(handle_);
}

void StopEvent::Reset() {
    set_.store(false);
    if (handle_ != nullptr) ResetEvent(handle_);
}

bool StopEvent::WaitForSignal(std::chrono::milliseconds step) const {
    if (handle_ == nullptr) {
        std::this_thread::sleep_for(std::min(step, kFallbackStep));
        return false;
    }
    return WaitForSingleObject(handle_, static_cast<DWORD>(step.count())) == WAIT_OBJECT_0;
}

}  // namespace kelvo
