// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The requests the master sends, byte for byte. The link builds every request here, and
// the answer check and the fuzz targets take the same frames.

#include <array>
#include <cstdint>
#include <span>

namespace kelvo {

inline constexpr int kChunkBytes = 240;  // 120 registers per request

inline constexpr std::uint8_t kReadInputRegisters = 0x04;
inline constexpr std::uint8_t kWriteMultipleRegisters = 0x10;
inline constexpr std::uint8_t kIdentify = 0x41;
// A meter refusing a request answers with the function code and this bit.
inline constexpr std::uint8_t kExceptionBit = 0x80;

// Address, function code, start (2), register count (2), byte count, data, CRC (2).
inline constexpr int kLargestRequest = 9 + kChunkBytes;

struct RequestFrame {
    std::array<std::uint8_t, kLargestRequest> bytes{};
    int length = 0;

    std::span<const std::uint8_t> View() const { return {bytes.data(), static_cast<std::size_t>(length)}; }
};

// Function code 0x04 for registerCount registers from start.
RequestFrame ReadRequest(std::uint8_t address, std::uint16_t start, std::uint16_t registerCount);
// Function code 0x10 with the data bytes as they are; at most kChunkBytes of them are sent.
RequestFrame WriteRequest(std::uint8_t address, std::uint16_t start, std::span<const std::uint8_t> data);
// Function code 0x41: address, 0x41, 0x00, 0x00, CRC.
RequestFrame IdentificationRequest(std::uint8_t address);

}  // namespace kelvo
