#include "monitor/stop_event.h"

namespace kelvo {

void StopEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    changed_.notify_all();
}

void StopEvent::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool StopEvent::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

bool StopEvent::WaitFor(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return set_; });
}

}  // namespace kelvo
