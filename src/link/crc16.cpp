// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/crc16.h"

#include <array>

namespace kelvo {
namespace {

// The two classic Modbus lookup tables (one per CRC byte), built at compile time from
// the polynomial instead of being typed in: 512 hand-typed numbers are 512 chances to err.
struct CrcTables {
    std::array<std::uint8_t, 256> high{};
    std::array<std::uint8_t, 256> low{};
};

constexpr CrcTables BuildTables() {
    CrcTables tables;
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned crc = byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1U) ? (crc >> 1) ^ 0xA001U : crc >> 1;
        tables.low[byte] = static_cast<std::uint8_t>(crc & 0xFFU);
        tables.high[byte] = static_cast<std::uint8_t>(crc >> 8);
    }
    return tables;
}

constexpr CrcTables kTables = BuildTables();

}  // namespace

std::uint16_t Crc16(const std::uint8_t* data, std::uint16_t length) {
    std::uint8_t crcLow = 0xFF;
    std::uint8_t crcHigh = 0xFF;
    for (std::uint16_t i = 0; i < length; ++i) {
        const std::uint8_t index = crcLow ^ data[i];
        crcLow = static_cast<std::uint8_t>(crcHigh ^ kTables.low[index]);
        crcHigh = kTables.high[index];
    }
    return static_cast<std::uint16_t>(crcHigh << 8 | crcLow);
}

}  // namespace kelvo
