// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A manual-reset event: once set it stays set until reset. Tells the polling thread to
// stop; its descriptor (an event object's handle on Windows) lets the thread wait for the
// serial line and a stop at once.

#include <atomic>
#include <chrono>
#include <thread>

namespace kelvo {

class StopEvent {
public:
    StopEvent();
    ~StopEvent();
    StopEvent(const StopEvent&) = delete;
    StopEvent& operator=(const StopEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // Waits until the event is set or the time has passed; true when set.
    bool WaitFor(std::chrono::milliseconds timeout) const;
#ifdef _WIN32
    // A manual-reset event object (a HANDLE), signalled exactly while the event is set, for
    // WaitForMultipleObjects beside overlapped I/O; null when the system had none to give
    // (waits then fall back to short sleeps).
    void* Handle() const { return handle_; }
#else
    // Readable exactly while the event is set, for poll() beside other descriptors;
    // -1 when the system had no descriptor to give (waits then fall back to short sleeps).
    int Fd() const { return fd_; }
#endif

private:
    // Waits at most `step` for the descriptor or the event object; without one, sleeps a
    // short while. True when it was signalled. The platform's own part of WaitFor.
    bool WaitForSignal(std::chrono::milliseconds step) const;

#ifdef _WIN32
    void* handle_ = nullptr;  // owned
#else
    int fd_ = -1;  // an eventfd, owned
#endif
    std::atomic<bool> set_{false};
};

// A pause for a port whose stop has no handle or descriptor to wait on beside the line:
// waits on the event itself, or sleeps when there is none. False when the stop came first.
inline bool PauseUnlessStopped(const StopEvent* stop, std::chrono::milliseconds duration) {
    if (stop == nullptr) {
        std::this_thread::sleep_for(duration);
        return true;
    }
    return !stop->WaitFor(duration);
}

}  // namespace kelvo
