// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/register_image.h"

#include <algorithm>
#include <cmath>

#include "link/byte_order.h"

namespace kelvo::sim {

bool RegisterImage::Contains(int first, int count) {
    return first >= 0 && count >= 0 && first + count <= kRegisterCount;
}

std::uint16_t RegisterImage::Reg(int reg) const {
    if (!Contains(reg, 1)) return 0;
    const auto at = static_cast<std::size_t>(2 * reg);
    return static_cast<std::uint16_t>(wire_[at] << 8 | wire_[at + 1]);
}

void RegisterImage::SetReg(int reg, std::uint16_t value) {
    if (!Contains(reg, 1)) return;
    const auto at = static_cast<std::size_t>(2 * reg);
    wire_[at] = static_cast<std::uint8_t>(value >> 8);
    wire_[at + 1] = static_cast<std::uint8_t>(value & 0xFFU);
}

std::uint32_t RegisterImage::Reg32(int reg) const {
    if (!Contains(reg, 2)) return 0;
    std::uint8_t place[4];
    std::copy_n(wire_.begin() + 2 * reg, 4, place);
    Reorder32(place, ByteOrderMode());
    return LoadU32(place);
}

void RegisterImage::SetReg32(int reg, std::uint32_t value) {
    if (!Contains(reg, 2)) return;
    std::uint8_t place[4];
    StoreU32(value, place);
    Reorder32(place, ByteOrderMode());  // its own inverse: host -> wire
    std::copy_n(place, 4, wire_.begin() + 2 * reg);
}

float RegisterImage::Float(int reg) const {
    std::uint8_t place[4];
    StoreU32(Reg32(reg), place);
    return LoadFloat(place);
}

void RegisterImage::SetFloat(int reg, float value) {
    std::uint8_t place[4];
    StoreFloat(value, place);
    SetReg32(reg, LoadU32(place));
}

double RegisterImage::Total(int reg) const {
    return static_cast<double>(Reg32(reg)) + static_cast<double>(Reg32(reg + 2)) / 1000.0;
}

void RegisterImage::SetTotal(int reg, double value) {
    // Totals are never negative and stay far below 2^32 in any plausible life of a
    // meter; clamp instead of wrapping if a test pushes them there.
    const double clamped = std::clamp(value, 0.0, 4294967295.999);
    const double whole = std::floor(clamped);
    const double thousandths = std::floor((clamped - whole) * 1000.0 + 1e-6);
    SetReg32(reg, static_cast<std::uint32_t>(whole));
    SetReg32(reg + 2, static_cast<std::uint32_t>(std::min(thousandths, 999.0)));
}

std::vector<std::uint8_t> RegisterImage::Bytes(int reg, int byteCount) const {
    std::vector<std::uint8_t> bytes;
    if (reg < 0 || byteCount <= 0) return bytes;
    const int first = 2 * reg;
    const int end = std::min(first + byteCount, static_cast<int>(wire_.size()));
    for (int i = first; i < end; ++i) bytes.push_back(wire_[static_cast<std::size_t>(i)]);
    return bytes;
}

void RegisterImage::SetBytes(int reg, std::span<const std::uint8_t> bytes) {
    if (reg < 0) return;
    std::size_t at = static_cast<std::size_t>(2 * reg);
    for (const std::uint8_t byte : bytes) {
        if (at >= wire_.size()) break;
        wire_[at++] = byte;
    }
}

}  // namespace kelvo::sim
