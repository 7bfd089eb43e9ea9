// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The history of one connection: every polling cycle since "连接", good or failed, in the
// order of their times, kept for up to 24 hours in bounded memory (beyond that, or beyond
// the count, the oldest go). One writer, the line's worker, appends under a short lock; a
// reader (the trend window, the statistics) takes a view of what is there, which copies a
// few pointers under the same lock and is then read without it.
//
// Samples live in chunks of a fixed size. A chunk never changes where a view can see it:
// appends go past every view's end, and a chunk that must lose samples is replaced by a
// copy, so a view stays valid and unchanged for as long as it is held.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "history/block_summary.h"
#include "history/cycle_sample.h"

namespace kelvo {

inline constexpr std::size_t kHistoryChunkSamples = 4096;

struct HistoryChunk {
    std::array<CycleSample, kHistoryChunkSamples> samples;
    // Of every whole block of samples, written when its last sample is.
    std::array<BlockSummary, kHistoryChunkSamples / kBlockSamples> blocks;
};
static_assert(kHistoryChunkSamples % kBlockSamples == 0, "a chunk holds whole blocks");

struct HistoryLimits {
    std::chrono::milliseconds maxAge{std::chrono::hours(24)};
    // Four cycles a second for a whole day: more than the fastest line polls.
    std::size_t maxCount = 4 * 24 * 3600;
};

// The wall clock and the steady clock disagreeing by more than this between two cycles
// means that the clock was set (or the computer slept): the line breaks there.
inline constexpr std::int64_t kClockJumpMs = 2000;

// A stretch of wall-clock time.
struct TimeSpan {
    std::int64_t fromMs = 0;  // inclusive
    std::int64_t toMs = 0;    // exclusive

    std::int64_t Length() const { return toMs - fromMs; }
};

// What a reader took: the samples in time order, unchanging while held.
class HistoryView {
public:
    std::size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    const CycleSample& operator[](std::size_t index) const {
        const std::size_t place = offset_ + index;
        return chunks_[place / kHistoryChunkSamples]->samples[place % kHistoryChunkSamples];
    }
    // The first sample at or after `timeMs`; Size() when there is none.
    std::size_t LowerBound(std::int64_t timeMs) const;
    // The sample nearest to `timeMs`; nullopt in an empty view.
    std::optional<std::size_t> Nearest(std::int64_t timeMs) const;
    // The summary of the kBlockSamples samples from `index` on, when they are a block of the
    // store and all of it is in the view; nullptr otherwise.
    const BlockSummary* BlockAt(std::size_t index) const {
        const std::size_t place = offset_ + index;
        if (place % kBlockSamples != 0 || index + kBlockSamples > size_) return nullptr;
        return &chunks_[place / kHistoryChunkSamples]->blocks[place % kHistoryChunkSamples / kBlockSamples];
    }
    int MeterKind() const { return meterKind_; }
    bool MeasuresHeat() const { return measuresHeat_; }
    // Counts the histories: a new "连接" makes a new one.
    std::uint64_t Generation() const { return generation_; }

private:
    friend class HistoryStore;
    std::vector<std::shared_ptr<const HistoryChunk>> chunks_;
    std::size_t offset_ = 0;  // of the first sample in the first chunk
    std::size_t size_ = 0;
    int meterKind_ = 0;
    bool measuresHeat_ = false;
    std::uint64_t generation_ = 0;
};

class HistoryStore {
public:
    explicit HistoryStore(HistoryLimits limits = {}) : limits_(limits) {}

    // A new history, for a new connection to a meter of this kind.
    void Begin(int meterKind, bool measuresHeat);
    // Appends a cycle at its wall-clock time; `steadyMs` is the steady clock at the same
    // moment. A wall clock that was set back drops the samples it now lies before; one that
    // jumped either way breaks the line.
    void Append(CycleSample sample, std::int64_t steadyMs);
    HistoryView Take() const;
    // Changes with every append and every new history: a reader with nothing new to draw
    // can tell without taking a view.
    std::uint64_t Revision() const { return revision_.load(std::memory_order_acquire); }

private:
    const CycleSample& At(std::size_t index) const;
    void DropNewerThan(std::int64_t timeMs);
    void DropOldest();

    const HistoryLimits limits_;
    mutable std::mutex mutex_;  // guards everything below
    std::deque<std::shared_ptr<HistoryChunk>> chunks_;
    std::size_t offset_ = 0;     // of the oldest sample in the first chunk
    std::size_t backCount_ = 0;  // samples in the last chunk
    std::size_t size_ = 0;
    std::int64_t lastSteadyMs_ = 0;
    int meterKind_ = 0;
    bool measuresHeat_ = false;
    std::uint64_t generation_ = 0;
    std::atomic<std::uint64_t> revision_{0};
};

}  // namespace kelvo
