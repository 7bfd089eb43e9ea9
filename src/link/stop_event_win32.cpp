// The Windows side of stop_event.h: a manual-reset event object, which overlapped reads
// and writes of the serial port wait on beside their own completion.

#include "link/stop_event.h"

#include <windows.h>

#include <algorithm>
#include <thread>

namespace kelvo {
namespace {

using Clock = std::chrono::steady_clock;

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

bool StopEvent::IsSet() const { return set_.load(); }

bool StopEvent::WaitFor(std::chrono::milliseconds timeout) const {
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (set_.load()) return true;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) return false;
        if (handle_ == nullptr) {
            std::this_thread::sleep_for(std::min(left, kFallbackStep));
            continue;
        }
        // In steps that stay below INFINITE, however long the wait.
        const auto step = std::min(left, std::chrono::milliseconds(std::chrono::hours(1)));
        if (WaitForSingleObject(handle_, static_cast<DWORD>(step.count())) == WAIT_OBJECT_0) return true;
    }
}

}  // namespace kelvo
