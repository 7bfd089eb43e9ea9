#pragma once
// A manual-reset event: once set it stays set until reset. Tells the polling thread
// to stop between cycles.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kelvo {

class StopEvent {
public:
    void Set();
    void Reset();
    bool IsSet() const;
    // Waits until the event is set or the time has passed; true when set.
    bool WaitFor(std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool set_ = false;
};

}  // namespace kelvo
