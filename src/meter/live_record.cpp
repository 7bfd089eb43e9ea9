// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/live_record.h"

#include <utility>

#include "link/byte_order.h"

namespace kelvo {

const std::uint8_t* LiveRecord::Raw(int reg, int byteCount) const {
    const auto first = LiveOffset(reg);
    const auto last = LiveOffset(reg + (byteCount + 1) / 2 - 1);
    if (!first || !last || *last - *first != 2 * ((byteCount + 1) / 2 - 1)) return nullptr;
    return bytes.data() + *first;
}

std::uint8_t* LiveRecord::RawMutable(int reg, int byteCount) {
    return const_cast<std::uint8_t*>(std::as_const(*this).Raw(reg, byteCount));
}

std::uint16_t LiveRecord::U16(int reg) const {
    const auto* place = Raw(reg, 2);
    return place != nullptr ? LoadU16(place) : 0;
}

std::int16_t LiveRecord::S16(int reg) const { return static_cast<std::int16_t>(U16(reg)); }

std::uint32_t LiveRecord::U32(int reg) const {
    const auto* place = Raw(reg, 4);
    return place != nullptr ? LoadU32(place) : 0;
}

std::int32_t LiveRecord::S32(int reg) const { return static_cast<std::int32_t>(U32(reg)); }

float LiveRecord::Float(int reg) const {
    const auto* place = Raw(reg, 4);
    return place != nullptr ? LoadFloat(place) : 0.0F;
}

void LiveRecord::SetU16(int reg, std::uint16_t value) {
    if (auto* place = RawMutable(reg, 2)) StoreU16(value, place);
}

void LiveRecord::SetU32(int reg, std::uint32_t value) {
    if (auto* place = RawMutable(reg, 4)) StoreU32(value, place);
}

void LiveRecord::SetFloat(int reg, float value) {
    if (auto* place = RawMutable(reg, 4)) StoreFloat(value, place);
}

}  // namespace kelvo
