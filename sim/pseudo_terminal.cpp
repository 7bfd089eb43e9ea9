// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace kelvo::sim {
namespace {

std::string Failure(const char* step) { return std::string(step) + ": " + std::strerror(errno); }

bool MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return false;
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

std::string ReadLink(const std::string& path) {
    std::vector<char> buffer(4096);
    const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0) return {};
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace

std::string PseudoTerminal::Open() {
    UniqueFd master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master.Valid()) return Failure("posix_openpt");
    if (grantpt(master.Get()) != 0) return Failure("grantpt");
    if (unlockpt(master.Get()) != 0) return Failure("unlockpt");
    char name[128];
    if (ptsname_r(master.Get(), name, sizeof name) != 0) return Failure("ptsname_r");
    UniqueFd slave(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave.Valid()) return Failure("open slave");
    if (!MakeRaw(slave.Get())) return Failure("raw mode");
    // The serving thread polls and must never block in read or write.
    const int flags = fcntl(master.Get(), F_GETFL);
    if (flags < 0 || fcntl(master.Get(), F_SETFL, flags | O_NONBLOCK) != 0) return Failure("O_NONBLOCK");
    master_ = std::move(master);
    slave_ = std::move(slave);
    slavePath_ = name;
    return {};
}

std::string SymbolicLink::Create(const std::string& linkPath, const std::string& target) {
    Remove();
    struct stat existing{};
    if (lstat(linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        return linkPath + " exists and is not a symbolic link";
    }
    // Made beside the place and renamed over it, so a reader never finds no link.
    const std::string temporary = linkPath + ".kelvo-meter-sim." + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0) return Failure("symlink");
    if (rename(temporary.c_str(), linkPath.c_str()) != 0) {
        const std::string error = Failure("rename");
        unlink(temporary.c_str());
        return error;
    }
    linkPath_ = linkPath;
    target_ = target;
    return {};
}

void SymbolicLink::Remove() {
    if (linkPath_.empty()) return;
    if (ReadLink(linkPath_) == target_) unlink(linkPath_.c_str());
    linkPath_.clear();
    target_.clear();
}

bool WakeEvent::Open() {
    fd_ = UniqueFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    return fd_.Valid();
}

void WakeEvent::Signal() {
    const std::uint64_t one = 1;
    // Only fails when the counter would overflow, i.e. it is already signalled.
    [[maybe_unused]] const ssize_t written = write(fd_.Get(), &one, sizeof one);
}

bool WakeEvent::Signalled() const {
    pollfd entry{.fd = fd_.Get(), .events = POLLIN, .revents = 0};
    return poll(&entry, 1, 0) > 0;
}

bool WakeEvent::SleepUntil(std::chrono::steady_clock::time_point deadline) const {
    for (;;) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::nanoseconds::zero()) return true;
        const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec timeout{.tv_sec = static_cast<time_t>(nanoseconds / 1000000000),
                               .tv_nsec = static_cast<long>(nanoseconds % 1000000000)};
        pollfd entry{.fd = fd_.Get(), .events = POLLIN, .revents = 0};
        if (ppoll(&entry, 1, &timeout, nullptr) > 0) return false;
    }
}

}  // namespace kelvo::sim
