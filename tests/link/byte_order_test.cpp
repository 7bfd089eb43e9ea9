// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "link/byte_order.h"

namespace kelvo {
namespace {

using Quad = std::array<std::uint8_t, 4>;
using Digits = std::array<std::uint8_t, 8>;

Quad HostBytes(std::uint32_t value) {
    Quad place{};
    StoreU32(value, place.data());
    return place;
}

// What the meter sees for the host value 0x12345678 in each ByteOrderMode, and what a
// read of those wire bytes gives back.
struct ModeCase {
    int mode;
    Quad wire;
};
const ModeCase kModeCases[] = {
    {0, {0x78, 0x56, 0x34, 0x12}},
    {1, {0x56, 0x78, 0x12, 0x34}},
    {2, {0x34, 0x12, 0x78, 0x56}},
    {3, {0x12, 0x34, 0x56, 0x78}},
    {7, {0x56, 0x78, 0x12, 0x34}},   // out of range: as the default mode
    {-1, {0x56, 0x78, 0x12, 0x34}},
};

TEST(ByteOrder, HostValueToWire) {
    for (const auto& c : kModeCases) {
        Quad place = HostBytes(0x12345678);
        Reorder32(place.data(), c.mode);
        EXPECT_EQ(place, c.wire) << "mode " << c.mode;
    }
}

TEST(ByteOrder, WireToHostValue) {
    for (const auto& c : kModeCases) {
        Quad place = c.wire;
        Reorder32(place.data(), c.mode);
        EXPECT_EQ(LoadU32(place.data()), 0x12345678U) << "mode " << c.mode;
    }
}

TEST(ByteOrder, ReorderTwiceGivesBackTheStart) {
    const Quad start = {0xDE, 0xAD, 0xBE, 0xEF};
    for (int mode : {0, 1, 2, 3, 7}) {
        Quad place = start;
        Reorder32(place.data(), mode);
        Reorder32(place.data(), mode);
        EXPECT_EQ(place, start) << "mode " << mode;
    }
}

TEST(ByteOrder, RegisterValuesFromTheMeter) {
    std::array<std::uint8_t, 2> reg = {0x01, 0x2C};
    Swap16(reg.data());
    EXPECT_EQ(LoadU16(reg.data()), 300);
    Swap16(reg.data());
    EXPECT_EQ(reg, (std::array<std::uint8_t, 2>{0x01, 0x2C}));

    Quad pair = {0x00, 0x01, 0x86, 0xA0};
    Reorder32(pair.data(), 3);
    EXPECT_EQ(LoadU32(pair.data()), 100000U);

    Quad sent = HostBytes(100000);
    Reorder32(sent.data(), 1);
    EXPECT_EQ(sent, (Quad{0x86, 0xA0, 0x00, 0x01}));
}

TEST(ByteOrder, NegativeValueInEveryMode) {
    for (int mode : {0, 1, 2, 3}) {
        Quad place = HostBytes(static_cast<std::uint32_t>(-2));
        Reorder32(place.data(), mode);
        Reorder32(place.data(), mode);
        EXPECT_EQ(static_cast<std::int32_t>(LoadU32(place.data())), -2) << "mode " << mode;
    }
}

TEST(ByteOrder, MeterNumberDigits) {
    struct Case {
        std::uint32_t number;
        Digits digits;
    };
    const Case cases[] = {
        {12345678, {1, 2, 3, 4, 5, 6, 7, 8}},
        {7, {0, 0, 0, 0, 0, 0, 0, 7}},
        {0, {0, 0, 0, 0, 0, 0, 0, 0}},
        {99999999, {9, 9, 9, 9, 9, 9, 9, 9}},
        {10000000, {1, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        Digits written{};
        written.fill(0xEE);
        NumberToDigits(c.number, written.data());
        EXPECT_EQ(written, c.digits) << c.number;
        EXPECT_EQ(DigitsToNumber(c.digits.data()), c.number) << c.number;
    }
}

TEST(ByteOrder, DigitBytesAboveNineEnterWithTheirValue) {
    const struct {
        Digits digits;
        std::uint32_t number;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0x0A}, 10},
        {{0, 0, 0, 0, 0, 0, 1, 0x0A}, 20},
        {{0, 0, 0, 0, 0, 0, 0x0A, 0}, 100},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 255U * 11111111U},
    };
    for (const auto& c : cases) EXPECT_EQ(DigitsToNumber(c.digits.data()), c.number);
}

}  // namespace
}  // namespace kelvo
