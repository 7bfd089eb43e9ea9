#include "link/stop_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <thread>

namespace kelvo {

namespace {

using Clock = std::chrono::steady_clock;

// Without a descriptor a wait looks at the flag this often.
constexpr std::chrono::milliseconds kFallbackStep{10};

}  // namespace

StopEvent::StopEvent() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopEvent::~StopEvent() {
    if (fd_ >= 0) ::close(fd_);
}

void StopEvent::Set() {
    set_.store(true);
    if (fd_ < 0) return;
    const std::uint64_t one = 1;
    // Fails only when the counter would overflow, i.e. the event is set already.
    [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

void StopEvent::Reset() {
    set_.store(false);
    if (fd_ < 0) return;
    // Reading takes the whole counter, so the descriptor is no longer readable.
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t taken = ::read(fd_, &count, sizeof count);
}

bool StopEvent::IsSet() const { return set_.load(); }

bool StopEvent::WaitFor(std::chrono::milliseconds timeout) const {
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (set_.load()) return true;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) return false;
        if (fd_ < 0) {
            std::this_thread::sleep_for(std::min(left, kFallbackStep));
            continue;
        }
        // In steps short enough for poll()'s int, however long the wait.
        const auto step = std::min(left, std::chrono::milliseconds(std::chrono::hours(1)));
        pollfd event{fd_, POLLIN, 0};
        if (::poll(&event, 1, static_cast<int>(step.count())) > 0) return true;
    }
}

}  // namespace kelvo
