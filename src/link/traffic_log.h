// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TrafficLog: the frames the links send and receive, for the traffic monitor. A ring of
// the newest kTrafficCapacity records that the links feed from any thread and one reader
// (the monitor window, the command line) copies out now and then.
//
// Feeding never waits: while nobody captures, a link pays one relaxed load; while
// capturing, a record is a ticket from an atomic counter and a copy into its own slot.
// Each slot is a sequence lock over atomic words, so a reader that meets a slot being
// rewritten notices and counts the record as lost instead of showing a torn one, and no
// writer ever waits for the reader.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kelvo {

// Which link a record comes from. Exchanges of one source never overlap (each is used by
// one thread at a time), so an answer belongs to the latest request of its source.
enum class TrafficSource : std::uint8_t {
    Polling,  // the main window's live connection: its identification and its polling
    Page,     // a parameter page's transaction
    Search,   // a meter search's try
};
inline constexpr int kTrafficSourceCount = 3;

// How the bytes of a record are framed: as the link's RTU frames, or as the MBAP frames of
// a Modbus TCP gateway (header, unit id, PDU; no CRC).
enum class TrafficFraming : std::uint8_t { Rtu, Mbap };

enum class TrafficKind : std::uint8_t {
    Sent,      // a request, as written
    Received,  // what one read brought, whatever it is
    NoAnswer,  // the wait for an answer ran out with nothing received
};

// Records the ring holds; older ones are overwritten.
inline constexpr std::size_t kTrafficCapacity = 2000;
// Bytes kept of a frame: more than the longest frame a link sends (249) or accepts (245),
// so only noise is ever cut.
inline constexpr std::size_t kTrafficKeptBytes = 256;

struct TrafficRecord {
    std::int64_t timeMs = 0;  // system clock, milliseconds since the epoch
    TrafficKind kind = TrafficKind::Sent;
    TrafficSource source = TrafficSource::Polling;
    TrafficFraming framing = TrafficFraming::Rtu;
    std::uint16_t keptBytes = 0;
    std::uint32_t frameBytes = 0;  // length of the whole frame; more than keptBytes when cut
    std::uint32_t waitedMs = 0;    // NoAnswer: how long the link waited after its request
    std::array<std::uint8_t, kTrafficKeptBytes> bytes{};

    std::span<const std::uint8_t> Kept() const { return {bytes.data(), keptBytes}; }
};

class TrafficLog {
public:
    TrafficLog();
    ~TrafficLog();
    TrafficLog(const TrafficLog&) = delete;
    TrafficLog& operator=(const TrafficLog&) = delete;

    // Switched on while someone looks; records offered while off are not kept.
    void SetCapturing(bool on) { capturing_.store(on, std::memory_order_relaxed); }
    bool Capturing() const { return capturing_.load(std::memory_order_relaxed); }

    // From any thread; never blocks.
    void Record(TrafficKind kind, TrafficSource source, std::span<const std::uint8_t> frame,
                std::uint32_t waitedMs = 0, TrafficFraming framing = TrafficFraming::Rtu);
    // What the read of an exchange brought: its bytes, or that nothing came in waitedMs.
    void RecordAnswer(TrafficSource source, std::span<const std::uint8_t> answer, std::uint32_t waitedMs) {
        if (answer.empty()) {
            Record(TrafficKind::NoAnswer, source, {}, waitedMs);
        } else {
            Record(TrafficKind::Received, source, answer);
        }
    }

    // The ticket the next record will get: a reader that starts here sees only what comes.
    std::uint64_t End() const { return next_.load(std::memory_order_acquire); }

    struct Batch {
        std::vector<TrafficRecord> records;  // oldest first
        std::uint64_t lost = 0;              // overwritten before they were read
    };
    // The records from ticket `cursor` on, as far as they are complete; moves the cursor
    // past them. One reader at a time.
    Batch ReadFrom(std::uint64_t& cursor) const;

    // Records a writer gave up because a writer a whole ring away held their slot:
    // practically never (the links write a few records a second), but counted rather
    // than waited for.
    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    static constexpr std::size_t kWords = sizeof(TrafficRecord) / sizeof(std::uint64_t);
    struct Slot {
        // 2·ticket + 1 while ticket is written into the slot, 2·ticket + 2 once it is there.
        std::atomic<std::uint64_t> sequence{0};
        std::array<std::atomic<std::uint64_t>, kWords> words{};
    };

    std::atomic<bool> capturing_{false};
    std::atomic<std::uint64_t> next_{0};
    std::atomic<std::uint64_t> dropped_{0};
    std::unique_ptr<Slot[]> slots_;
};

}  // namespace kelvo
