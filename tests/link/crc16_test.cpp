// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "link/crc16.h"

namespace kelvo {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(Crc16, KnownValues) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> data;
        std::uint16_t crc;
    };
    const Case cases[] = {
        {"check value", Bytes("123456789"), 0x4B37},
        {"empty input keeps the initial value", {}, 0xFFFF},
        {"read one input register", {0x01, 0x04, 0x00, 0x00, 0x00, 0x01}, 0xCA31},
        {"read ten holding registers", {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}, 0xCDC5},
        {"textbook request of slave 17", {0x11, 0x03, 0x00, 0x6B, 0x00, 0x03}, 0x8776},
        {"identification request to address 8", {0x08, 0x41, 0x00, 0x00}, 0x5052},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Crc16(c.data.data(), static_cast<std::uint16_t>(c.data.size())), c.crc) << c.what;
    }
}

// The meter checks the two bytes after the frame, low byte first: 01 04 00 00 00 01 31 CA.
TEST(Crc16, TravelsLowByteFirstAndClosesTheFrame) {
    std::vector<std::uint8_t> frame = {0x01, 0x04, 0x00, 0x00, 0x00, 0x01};
    const std::uint16_t crc = Crc16(frame.data(), static_cast<std::uint16_t>(frame.size()));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    EXPECT_EQ(frame[6], 0x31);
    EXPECT_EQ(frame[7], 0xCA);
    // A receiver running the CRC over a whole correct frame lands on zero.
    EXPECT_EQ(Crc16(frame.data(), static_cast<std::uint16_t>(frame.size())), 0);
}

TEST(Crc16, EveryByteValueAndPositionCounts) {
    // A table entry typed or built wrong shows up as a mismatch against the bitwise rule.
    const auto bitwise = [](const std::vector<std::uint8_t>& data) {
        unsigned crc = 0xFFFF;
        for (std::uint8_t byte : data) {
            crc ^= byte;
            for (int bit = 0; bit < 8; ++bit) crc = (crc & 1U) ? (crc >> 1) ^ 0xA001U : crc >> 1;
        }
        return static_cast<std::uint16_t>(crc);
    };
    for (unsigned value = 0; value < 256; ++value) {
        const std::vector<std::uint8_t> data = {0x08, static_cast<std::uint8_t>(value), 0x5A,
                                                static_cast<std::uint8_t>(255 - value)};
        EXPECT_EQ(Crc16(data.data(), 4), bitwise(data)) << "byte " << value;
    }
}

}  // namespace
}  // namespace kelvo
