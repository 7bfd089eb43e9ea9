// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/modbus_frames.h"

#include <algorithm>

#include "link/crc16.h"

namespace kelvo {
namespace {

void PutU16(std::uint8_t* place, std::uint16_t value) {
    place[0] = static_cast<std::uint8_t>(value >> 8);
    place[1] = static_cast<std::uint8_t>(value & 0xFFU);
}

// Appends the CRC, low byte first.
void AppendCrc(RequestFrame& frame) {
    const std::uint16_t crc = Crc16(frame.bytes.data(), static_cast<std::uint16_t>(frame.length));
    frame.bytes[static_cast<std::size_t>(frame.length)] = static_cast<std::uint8_t>(crc & 0xFFU);
    frame.bytes[static_cast<std::size_t>(frame.length) + 1] = static_cast<std::uint8_t>(crc >> 8);
    frame.length += 2;
}

}  // namespace

RequestFrame ReadRequest(std::uint8_t address, std::uint16_t start, std::uint16_t registerCount) {
    RequestFrame frame;
    frame.bytes[0] = address;
    frame.bytes[1] = kReadInputRegisters;
    PutU16(&frame.bytes[2], start);
    PutU16(&frame.bytes[4], registerCount);
    frame.length = 6;
    AppendCrc(frame);
    return frame;
}

RequestFrame WriteRequest(std::uint8_t address, std::uint16_t start, std::span<const std::uint8_t> data) {
    const std::size_t count = std::min<std::size_t>(data.size(), kChunkBytes);
    RequestFrame frame;
    frame.bytes[0] = address;
    frame.bytes[1] = kWriteMultipleRegisters;
    PutU16(&frame.bytes[2], start);
    PutU16(&frame.bytes[4], static_cast<std::uint16_t>(count / 2));
    frame.bytes[6] = static_cast<std::uint8_t>(count);
    std::copy_n(data.begin(), count, frame.bytes.begin() + 7);
    frame.length = 7 + static_cast<int>(count);
    AppendCrc(frame);
    return frame;
}

RequestFrame IdentificationRequest(std::uint8_t address) {
    RequestFrame frame;
    frame.bytes[0] = address;
    frame.bytes[1] = kIdentify;
    frame.length = 4;
    AppendCrc(frame);
    return frame;
}

}  // namespace kelvo
