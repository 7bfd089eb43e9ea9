// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/history_store.h"

#include <algorithm>

namespace kelvo {

namespace {

// The first index in [0, size) whose sample is not before `timeMs`, for any indexable
// sequence sorted by time.
template <class Samples>
std::size_t FirstNotBefore(const Samples& samples, std::size_t size, std::int64_t timeMs) {
    std::size_t low = 0;
    std::size_t high = size;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (samples(middle).timeMs < timeMs) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

}  // namespace

std::size_t HistoryView::LowerBound(std::int64_t timeMs) const {
    return FirstNotBefore([this](std::size_t i) -> const CycleSample& { return (*this)[i]; }, size_, timeMs);
}

std::optional<std::size_t> HistoryView::Nearest(std::int64_t timeMs) const {
    if (size_ == 0) return std::nullopt;
    const std::size_t after = LowerBound(timeMs);
    if (after == 0) return after;
    if (after == size_) return after - 1;
    return timeMs - (*this)[after - 1].timeMs <= (*this)[after].timeMs - timeMs ? after - 1 : after;
}

void HistoryStore::Begin(int meterKind, bool measuresHeat) {
    const std::lock_guard lock(mutex_);
    chunks_.clear();
    offset_ = backCount_ = size_ = 0;
    meterKind_ = meterKind;
    measuresHeat_ = measuresHeat;
    ++generation_;
    revision_.fetch_add(1, std::memory_order_release);
}

const CycleSample& HistoryStore::At(std::size_t index) const {
    const std::size_t place = offset_ + index;
    return chunks_[place / kHistoryChunkSamples]->samples[place % kHistoryChunkSamples];
}

void HistoryStore::Append(CycleSample sample, std::int64_t steadyMs) {
    const std::lock_guard lock(mutex_);
    if (size_ > 0) {
        const std::int64_t wallStep = sample.timeMs - At(size_ - 1).timeMs;
        const std::int64_t steadyStep = steadyMs - lastSteadyMs_;
        if (wallStep - steadyStep > kClockJumpMs || steadyStep - wallStep > kClockJumpMs) sample.breakBefore = true;
        // The samples stay in the order of their times, so that a span is found by halving.
        if (wallStep < 0) DropNewerThan(sample.timeMs);
    }
    lastSteadyMs_ = steadyMs;

    if (chunks_.empty() || backCount_ == kHistoryChunkSamples) {
        chunks_.push_back(std::make_shared<HistoryChunk>());
        backCount_ = 0;
        if (chunks_.size() == 1) offset_ = 0;
    }
    // No view reaches this slot: every view ends at the size taken under this lock.
    HistoryChunk& back = *chunks_.back();
    back.samples[backCount_++] = sample;
    if (backCount_ % kBlockSamples == 0) {
        back.blocks[backCount_ / kBlockSamples - 1] = Summarize(&back.samples[backCount_ - kBlockSamples]);
    }
    ++size_;
    while (size_ > limits_.maxCount ||
           (size_ > 1 && At(size_ - 1).timeMs - At(0).timeMs > limits_.maxAge.count())) {
        DropOldest();
    }
    revision_.fetch_add(1, std::memory_order_release);
}

void HistoryStore::DropNewerThan(std::int64_t timeMs) {
    const std::size_t keep =
        FirstNotBefore([this](std::size_t i) -> const CycleSample& { return At(i); }, size_, timeMs + 1);
    if (keep == size_) return;
    if (keep == 0) {
        chunks_.clear();
        offset_ = backCount_ = size_ = 0;
        return;
    }
    const std::size_t lastPlace = offset_ + keep - 1;  // of the last sample kept
    chunks_.resize(lastPlace / kHistoryChunkSamples + 1);
    // A view may still read the dropped slots: the chunk that keeps some of them is copied,
    // never written again.
    auto copy = std::make_shared<HistoryChunk>(*chunks_.back());
    chunks_.back() = std::move(copy);
    backCount_ = lastPlace % kHistoryChunkSamples + 1;
    size_ = keep;
}

void HistoryStore::DropOldest() {
    ++offset_;
    --size_;
    if (offset_ == kHistoryChunkSamples) {
        chunks_.pop_front();
        offset_ = 0;
    }
}

HistoryView HistoryStore::Take() const {
    HistoryView view;
    const std::lock_guard lock(mutex_);
    view.chunks_.assign(chunks_.begin(), chunks_.end());
    view.offset_ = offset_;
    view.size_ = size_;
    view.meterKind_ = meterKind_;
    view.measuresHeat_ = measuresHeat_;
    view.generation_ = generation_;
    return view;
}

}  // namespace kelvo
