// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// LiveRecord: the image of input registers 99..286 and 321..333 as the polling thread
// last read them, every register already in host order (16-bit, 32-bit by the
// ByteOrderMode of its cycle, or raw bytes). Addressed by register number.

#include <array>
#include <cstdint>
#include <optional>

namespace kelvo {

inline constexpr int kLiveRecordBytes = 402;
inline constexpr int kLiveFirstBlockFirst = 99;
inline constexpr int kLiveFirstBlockLast = 286;
inline constexpr int kLiveSecondBlockFirst = 321;
inline constexpr int kLiveSecondBlockLast = 333;

// Byte offset of register reg in the record; nullopt for registers the record lacks.
constexpr std::optional<int> LiveOffset(int reg) {
    if (reg >= kLiveFirstBlockFirst && reg <= kLiveFirstBlockLast) return 2 * (reg - kLiveFirstBlockFirst);
    if (reg >= kLiveSecondBlockFirst && reg <= kLiveSecondBlockLast)
        return 2 * (kLiveFirstBlockLast - kLiveFirstBlockFirst + 1) + 2 * (reg - kLiveSecondBlockFirst);
    return std::nullopt;
}

struct LiveRecord {
    std::array<std::uint8_t, kLiveRecordBytes> bytes{};

    // Values of registers already in host order. A register outside the record reads 0
    // (and for 32-bit values both registers must lie inside it).
    std::uint16_t U16(int reg) const;
    std::int16_t S16(int reg) const;
    std::uint32_t U32(int reg) const;
    std::int32_t S32(int reg) const;
    float Float(int reg) const;
    // The bytes of registers [reg, reg + count/2) as stored (raw registers: wire order);
    // nullptr when they do not all lie inside the record.
    const std::uint8_t* Raw(int reg, int byteCount) const;
    std::uint8_t* RawMutable(int reg, int byteCount);

    void SetU16(int reg, std::uint16_t value);
    void SetU32(int reg, std::uint32_t value);
    void SetFloat(int reg, float value);

    bool operator==(const LiveRecord&) const = default;
};

}  // namespace kelvo
