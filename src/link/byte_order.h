// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How register bytes in wire order become host values and back. Every arrangement is
// its own inverse, so the same call serves reading and writing.

#include <bit>
#include <cstdint>

namespace kelvo {

static_assert(std::endian::native == std::endian::little,
              "the live record keeps host-order values; the conversions assume a little-endian host");

// ByteOrderMode: how the four bytes of a 32-bit value travel over two registers.
// 0 "1-2 3-4", 1 "2-1 4-3", 2 "3-4 1-2", 3 "4-3 2-1"; anything else acts as 1.
inline constexpr int kDefaultByteOrderMode = 1;

// Exchanges the two bytes of a register: wire (high byte first) <-> host.
void Swap16(std::uint8_t* place);

// Rearranges four bytes: wire order <-> host order, by the ByteOrderMode.
void Reorder32(std::uint8_t* place, int byteOrderMode);

// Eight bytes, one decimal digit each, most significant first. Bytes above 9 are not
// rejected; they enter the sum with their value, as the meter's own firmware does.
std::uint32_t DigitsToNumber(const std::uint8_t* place);

// Writes the eight lowest decimal digits of n (callers keep n within 0..99999999).
void NumberToDigits(std::uint32_t n, std::uint8_t* place);

// Host-order helpers for values that Swap16 / Reorder32 already put in host order.
std::uint16_t LoadU16(const std::uint8_t* place);
std::uint32_t LoadU32(const std::uint8_t* place);
float LoadFloat(const std::uint8_t* place);
void StoreU16(std::uint16_t value, std::uint8_t* place);
void StoreU32(std::uint32_t value, std::uint8_t* place);
void StoreFloat(float value, std::uint8_t* place);

}  // namespace kelvo
