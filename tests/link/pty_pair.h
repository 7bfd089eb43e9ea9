// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The far end of a serial line for link tests: the master side of a pseudo-terminal
// whose slave the port under test opens. Sends and receives raw bytes.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace kelvo::test {

class PtyPair {
public:
    using Bytes = std::vector<std::uint8_t>;

    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        std::array<char, 128> name{};
        if (ptsname_r(master_, name.data(), name.size()) == 0) slavePath_ = name.data();
    }
    ~PtyPair() { HangUp(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ready() const { return !slavePath_.empty(); }
    // Closes the master side: the slave's user sees the line hang up, as when an
    // adapter is unplugged.
    void HangUp() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }
    const std::string& SlavePath() const { return slavePath_; }

    void Send(const Bytes& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
    }

    // Collects what the port sent until `count` bytes came or the line stayed quiet for quietMs.
    Bytes Receive(std::size_t count, int quietMs = 2000) const {
        Bytes got;
        while (got.size() < count) {
            pollfd waitFor{master_, POLLIN, 0};
            if (poll(&waitFor, 1, quietMs) <= 0) break;
            std::array<std::uint8_t, 512> chunk{};
            const ssize_t n = read(master_, chunk.data(), chunk.size());
            if (n <= 0) break;
            got.insert(got.end(), chunk.begin(), chunk.begin() + n);
        }
        return got;
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

}  // namespace kelvo::test
