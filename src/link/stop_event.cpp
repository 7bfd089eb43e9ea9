// SPDX-License-Identifier: GPL-3.0-or-later
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

bool StopEvent::WaitForSignal(std::chrono::milliseconds step) const {
    if (fd_ < 0) {
        std::this_thread::sleep_for(std::min(step, kFallbackStep));
        return false;
    }
    pollfd event{fd_, POLLIN, 0};
    return ::poll(&event, 1, static_cast<int>(step.count())) > 0;
}

}  // namespace kelvo
