// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How long characters take on the line at a baud rate: a start bit, 8 data bits, the
// parity bit when there is one and a stop bit each.

#include <chrono>

namespace kelvo {

constexpr int BitsPerCharacter(int parity) { return parity == 1 || parity == 2 ? 11 : 10; }

// To the nearest microsecond; zero for a rate that is not positive.
constexpr std::chrono::microseconds WireTime(int bytes, int baudRate, int parity) {
    if (baudRate <= 0) return std::chrono::microseconds::zero();
    const long long bits = static_cast<long long>(bytes) * BitsPerCharacter(parity);
    return std::chrono::microseconds((bits * 1'000'000 + baudRate / 2) / baudRate);
}

}  // namespace kelvo
