#pragma once
// One polling cycle: the blocks of input registers each meter kind reads into the
// LiveRecord, and their conversion to host order.

#include <cstdint>
#include <mutex>
#include <span>

#include "monitor/live_record.h"
#include "monitor/live_rules.h"

namespace kelvo {

class CDMRJly;

// Shared between the polling thread and the display tick. LiveMutex guards both
// records; it is held only for memory copies and in-place conversion, never across I/O.
struct LiveShared {
    explicit LiveShared(std::mutex& liveMutex) : LiveMutex(liveMutex) {}
    std::mutex& LiveMutex;
    LiveRecord working;   // written only by the polling thread
    LiveRecord snapshot;  // copied from `working` at the end of every cycle
};

struct LiveBlock {
    std::uint16_t startRegister;
    std::uint16_t byteCount;
};

// The blocks of a cycle in the order they are read: three for W58, four for generic.
std::span<const LiveBlock> LiveBlocksOf(int meterKind);

// Converts the registers [startRegister, startRegister + byteCount/2) of the record
// in place by the rule table.
void ConvertLiveBlock(LiveRecord& record, std::uint16_t startRegister, std::uint16_t byteCount,
                      int byteOrderMode);

// Loads the serial settings for the byte-order mode, reads every block of the kind
// and copies the working record into the snapshot (also when every read failed).
void PollOnce(CDMRJly& link, int meterKind, LiveShared& shared);

}  // namespace kelvo
