// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/traffic_log.h"

#include <algorithm>
#include <chrono>
#include <bit>
#include <type_traits>

namespace kelvo {
namespace {

static_assert(std::is_trivially_copyable_v<TrafficRecord>);
static_assert(sizeof(TrafficRecord) % sizeof(std::uint64_t) == 0, "a record fills whole words");

std::uint64_t Writing(std::uint64_t ticket) { return 2 * ticket + 1; }
std::uint64_t Written(std::uint64_t ticket) { return 2 * ticket + 2; }

}  // namespace

TrafficLog::TrafficLog() : slots_(std::make_unique<Slot[]>(kTrafficCapacity)) {}

TrafficLog::~TrafficLog() = default;

void TrafficLog::Record(TrafficKind kind, TrafficSource source, std::span<const std::uint8_t> frame,
                        std::uint32_t waitedMs, TrafficFraming framing) {
    if (!capturing_.load(std::memory_order_relaxed)) return;

    TrafficRecord record;
    record.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    record.kind = kind;
    record.source = source;
    record.framing = framing;
    record.keptBytes = static_cast<std::uint16_t>(std::min(frame.size(), kTrafficKeptBytes));
    record.frameBytes = static_cast<std::uint32_t>(frame.size());
    record.waitedMs = waitedMs;
    std::copy_n(frame.begin(), record.keptBytes, record.bytes.begin());
    const auto words = std::bit_cast<std::array<std::uint64_t, kWords>>(record);

    const std::uint64_t ticket = next_.fetch_add(1, std::memory_order_relaxed);
    Slot& slot = slots_[ticket % kTrafficCapacity];
    std::uint64_t previous = slot.sequence.load(std::memory_order_relaxed);
    // Odd: another writer is still in this slot; beyond this ticket: a newer record is
    // there already (this writer stalled for a whole ring). Neither is waited for.
    if ((previous & 1U) != 0 || previous > Writing(ticket) ||
        !slot.sequence.compare_exchange_strong(previous, Writing(ticket), std::memory_order_relaxed)) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    // Each word is released, so a reader that acquires a word of this record also sees the
    // odd sequence stored before it (fences would do the same, but the thread sanitizer
    // cannot follow them).
    for (std::size_t i = 0; i < kWords; ++i) slot.words[i].store(words[i], std::memory_order_release);
    slot.sequence.store(Written(ticket), std::memory_order_release);
}

TrafficLog::Batch TrafficLog::ReadFrom(std::uint64_t& cursor) const {
    Batch batch;
    const std::uint64_t end = next_.load(std::memory_order_acquire);
    if (end - cursor > kTrafficCapacity) {
        batch.lost += end - kTrafficCapacity - cursor;
        cursor = end - kTrafficCapacity;
    }
    std::array<std::uint64_t, kWords> words;
    for (; cursor < end; ++cursor) {
        const Slot& slot = slots_[cursor % kTrafficCapacity];
        const std::uint64_t before = slot.sequence.load(std::memory_order_acquire);
        // Still being written (or its writer has not started): the rest waits for the next read.
        if (before < Written(cursor)) break;
        if (before > Written(cursor)) {
            ++batch.lost;
            continue;
        }
        for (std::size_t i = 0; i < kWords; ++i) words[i] = slot.words[i].load(std::memory_order_acquire);
        if (slot.sequence.load(std::memory_order_relaxed) != before) {
            ++batch.lost;  // overwritten while it was copied
            continue;
        }
        batch.records.push_back(std::bit_cast<TrafficRecord>(words));
    }
    return batch;
}

}  // namespace kelvo
