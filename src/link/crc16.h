// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

namespace kelvo {

// CRC-16/MODBUS (reflected polynomial 0xA001, initial value 0xFFFF, no final XOR),
// sent low byte first. The length is 16-bit as on the wire.
std::uint16_t Crc16(const std::uint8_t* data, std::uint16_t length);

}  // namespace kelvo
