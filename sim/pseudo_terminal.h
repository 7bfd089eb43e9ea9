// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wire of the simulated meter: a pseudo-terminal whose slave side plays the
// serial device, an optional symbolic link to it, and a wake-up signal for the thread
// that serves it.

#include <chrono>
#include <string>

#include "sim/unique_fd.h"

namespace kelvo::sim {

class PseudoTerminal {
public:
    // Opens a new pair with the slave side in raw mode (no echo, no line editing), so
    // that nothing the master writes is ever mirrored back before a program opens it.
    // Empty error text on success.
    std::string Open();

    int MasterFd() const { return master_.Get(); }
    const std::string& SlavePath() const { return slavePath_; }

private:
    UniqueFd master_;
    // Held open for the whole life of the pair: without it the master side sees a
    // hang-up each time the program closes its port between transactions.
    UniqueFd slave_;
    std::string slavePath_;
};

// A symbolic link that points at a device for as long as the object lives.
class SymbolicLink {
public:
    SymbolicLink() = default;
    ~SymbolicLink() { Remove(); }
    SymbolicLink(const SymbolicLink&) = delete;
    SymbolicLink& operator=(const SymbolicLink&) = delete;

    // Creates (or replaces an existing symbolic link at) linkPath. Refuses to replace
    // anything that is not a symbolic link. Empty error text on success.
    std::string Create(const std::string& linkPath, const std::string& target);
    // Removes the link if it still points where this object made it point.
    void Remove();

private:
    std::string linkPath_;
    std::string target_;
};

// A level-triggered stop signal the serving thread can poll beside the pty.
class WakeEvent {
public:
    bool Open();
    void Signal();
    int Fd() const { return fd_.Get(); }
    bool Signalled() const;
    // Sleeps until the deadline or the signal; false when woken by the signal.
    bool SleepUntil(std::chrono::steady_clock::time_point deadline) const;

private:
    UniqueFd fd_;
};

}  // namespace kelvo::sim
