// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/byte_order.h"

#include <cstring>
#include <utility>

namespace kelvo {

void Swap16(std::uint8_t* place) { std::swap(place[0], place[1]); }

void Reorder32(std::uint8_t* place, int byteOrderMode) {
    // Host memory holds byte 1 (least significant) first. Which wire byte lands there:
    //   mode 0 w0 w1 w2 w3 (identity)   mode 1 w1 w0 w3 w2 (swap inside each register)
    //   mode 2 w2 w3 w0 w1 (swap the registers)   mode 3 w3 w2 w1 w0 (reverse)
    switch (byteOrderMode) {
        case 0:
            break;
        case 2:
            std::swap(place[0], place[2]);
            std::swap(place[1], place[3]);
            break;
        case 3:
            std::swap(place[0], place[3]);
            std::swap(place[1], place[2]);
            break;
        default:  // mode 1, and every value outside 0..3
            std::swap(place[0], place[1]);
            std::swap(place[2], place[3]);
            break;
    }
}

std::uint32_t DigitsToNumber(const std::uint8_t* place) {
    std::uint32_t number = 0;
    for (int i = 0; i < 8; ++i) number = number * 10 + place[i];
    return number;
}

void NumberToDigits(std::uint32_t n, std::uint8_t* place) {
    for (int i = 7; i >= 0; --i) {
        place[i] = static_cast<std::uint8_t>(n % 10);
        n /= 10;
    }
}

std::uint16_t LoadU16(const std::uint8_t* place) {
    std::uint16_t value;
    std::memcpy(&value, place, sizeof value);
    return value;
}

std::uint32_t LoadU32(const std::uint8_t* place) {
    std::uint32_t value;
    std::memcpy(&value, place, sizeof value);
    return value;
}

float LoadFloat(const std::uint8_t* place) {
    float value;
    std::memcpy(&value, place, sizeof value);
    return value;
}

void StoreU16(std::uint16_t value, std::uint8_t* place) { std::memcpy(place, &value, sizeof value); }
void StoreU32(std::uint32_t value, std::uint8_t* place) { std::memcpy(place, &value, sizeof value); }
void StoreFloat(float value, std::uint8_t* place) { std::memcpy(place, &value, sizeof value); }

}  // namespace kelvo
