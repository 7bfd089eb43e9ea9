// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One polling cycle: the blocks of input registers each meter kind reads into the
// LiveRecord, and their conversion to host order.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>

#include "link/endpoint.h"
#include "meter/live_record.h"
#include "meter/register_maps.h"

namespace kelvo {

class CDMRJly;

// How the link is doing, as the display needs to know it. A cycle is good when every
// block of it was read: only then is every live value from that cycle.
struct LinkHealth {
    std::chrono::steady_clock::time_point lastGoodCycle{};  // end of the last good cycle
    bool lastCycleGood = true;                               // the last cycle that ran to its end
    bool portOpen = false;  // false while the polling thread waits for a vanished device
    bool goodCycleSeen = false;  // a good cycle has ended since the connect: values to show
    LinkType linkType = LinkType::Serial;  // what the polling runs over, for the text of a lost line

    bool operator==(const LinkHealth&) const = default;
};

// Shared between the polling thread and the display tick. LiveMutex guards both
// records and the health; it is held only for memory copies and in-place conversion,
// never across I/O.
struct LiveShared {
    explicit LiveShared(std::mutex& liveMutex) : LiveMutex(liveMutex) {}
    std::mutex& LiveMutex;
    LiveRecord working;   // written only by the polling thread
    LiveRecord snapshot;  // copied from `working` at the end of every cycle
    LinkHealth health;    // written only by the polling thread while it runs
};

// The pause between two cycles.
inline constexpr std::chrono::milliseconds kPauseBetweenCycles{100};

// Reads every block of the kind (LiveBlocksOf), turning each parameter of the kind's map
// into host order (32-bit values by `byteOrderMode`), and copies
// the working record into the snapshot (also when every read failed). A cycle that ran to
// its end records in the health whether it was good. A stop request or a gone device
// ends the cycle after its current block; a stopped cycle records nothing. True when
// the cycle was good.
bool PollOnce(CDMRJly& link, int meterKind, LiveShared& shared, int byteOrderMode);

}  // namespace kelvo
