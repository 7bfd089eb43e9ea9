// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The meter's 400 registers as they travel on the wire: each register high byte first,
// 32-bit values spread over two registers by the meter's own byte-order mode (its
// "byte_order" parameter, the same register on both kinds). Not thread-safe; the
// simulator guards it with its mutex.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "meter/w58_map.h"
#include "sim/meter_simulator.h"

namespace kelvo::sim {

inline constexpr int kByteOrderRegister = ParameterNamed(w58_map::kParameters, "byte_order").reg;

class RegisterImage {
public:
    // True when [first, first + count) lies inside the image.
    static bool Contains(int first, int count);

    // Out-of-image registers read as 0 and ignore writes: a test's typo must not
    // corrupt memory.
    std::uint16_t Reg(int reg) const;
    void SetReg(int reg, std::uint16_t value);

    // The arrangement the meter uses when it stores a 32-bit value right now.
    int ByteOrderMode() const { return Reg(kByteOrderRegister); }
    std::uint32_t Reg32(int reg) const;
    void SetReg32(int reg, std::uint32_t value);
    float Float(int reg) const;
    void SetFloat(int reg, float value);

    // A total is two 32-bit integers: the whole part, then the thousandths.
    double Total(int reg) const;
    void SetTotal(int reg, double value);

    std::vector<std::uint8_t> Bytes(int reg, int byteCount) const;
    void SetBytes(int reg, std::span<const std::uint8_t> bytes);

    void Clear() { wire_.fill(0); }

private:
    std::array<std::uint8_t, 2 * kRegisterCount> wire_{};
};

}  // namespace kelvo::sim
