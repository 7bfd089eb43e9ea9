// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/value_codec.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <utility>

#include "link/byte_order.h"
#include "meter/value_text.h"
#include "settings/calendar_fields.h"
#include "vocabulary/value_tables.h"

namespace kelvo {

namespace {

constexpr double kInt64Limit = 9223372036854775807.0;
constexpr double kTotalLimit = 2147483648.0;  // the whole part travels as a signed 32-bit value

double PowerOfTen(int k) {
    double p = 1;
    for (int i = 0; i < k; ++i) p *= 10;
    return p;
}

bool IsDecimal(Control control) { return control == Control::DecimalEdit || control == Control::FloatEdit; }

void PutWord(std::uint16_t value, std::uint8_t* wire) {
    wire[0] = static_cast<std::uint8_t>(value >> 8);
    wire[1] = static_cast<std::uint8_t>(value & 0xFF);
}

void PutPair(std::uint32_t value, int byteOrderMode, std::uint8_t* wire) {
    StoreU32(value, wire);
    Reorder32(wire, byteOrderMode);
}

}  // namespace

int RegisterScale(const Parameter& row, const CodecContext& context) {
    if (row.mapping == Mapping::EncodedFactor) return context.paramEncoding == 1 ? 5 : 4;
    return row.scale;
}

void ParameterToHost(const Parameter& row, LiveRecord& host, int byteOrderMode) {
    auto* place = host.RawMutable(row.reg, row.Bytes());
    if (place == nullptr) return;
    switch (row.kind) {
        case Kind::U16:
        case Kind::S16: Swap16(place); break;
        case Kind::FlowUnitPair:
            Swap16(place);
            Swap16(place + 2);
            break;
        case Kind::U32:
        case Kind::S32:
        case Kind::Float: Reorder32(place, byteOrderMode); break;
        case Kind::Total:
            Reorder32(place, byteOrderMode);
            Reorder32(place + 4, byteOrderMode);
            break;
        case Kind::None:
        case Kind::Digits8:
        case Kind::Clock: break;  // taken as the bytes arrived
    }
}

namespace {

struct HeldIntegers {
    std::int64_t min;
    std::int64_t max;
};

// The integers a register of this kind stores as they are.
HeldIntegers RegisterBounds(Kind kind) {
    switch (kind) {
        case Kind::U16: return {0, std::numeric_limits<std::uint16_t>::max()};
        case Kind::S16: return {std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()};
        case Kind::U32: return {0, std::numeric_limits<std::uint32_t>::max()};
        default: return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
    }
}

std::optional<std::string> RangeRefusal(const Parameter& row, double min, double max) {
    return RangePrompt(row, Range{min, max});
}

// The register integer of a list, integer or decimal row, before it is fitted to its kind.
std::optional<std::int64_t> RegisterInteger(const Parameter& row, const FieldValue& value,
                                            const CodecContext& context) {
    if (IsDecimal(row.control)) {
        const int scale = RegisterScale(row, context);
        return row.control == Control::FloatEdit ? ScaleToRegisterSingle(static_cast<float>(value.real), scale)
                                                 : ScaleToRegister(value.real, scale);
    }
    switch (row.mapping) {
        case Mapping::DiameterOffset: return value.integer + kDiameterOffset;
        case Mapping::EnergyUnit: return ShortIndexToEnergyCode(static_cast<int>(value.integer));
        default: return value.integer;
    }
}

// Refuses an integer its register would not store as it is, with the range it does store.
std::optional<std::string> HeldRefusal(const Parameter& row, const std::optional<std::int64_t>& integer,
                                       const CodecContext& context) {
    const auto held = RegisterBounds(row.kind);
    if (integer && *integer >= held.min && *integer <= held.max) return std::nullopt;
    const double step = IsDecimal(row.control) ? PowerOfTen(RegisterScale(row, context)) : 1.0;
    return RangeRefusal(row, static_cast<double>(held.min) / step, static_cast<double>(held.max) / step);
}

}  // namespace

std::optional<std::int64_t> ScaleToRegister(double value, int scale) {
    const double scaled = value * PowerOfTen(scale) + (value > 0 ? 1.0 : -1.0) * static_cast<double>(WriteNudge);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= kInt64Limit) return std::nullopt;
    return static_cast<std::int64_t>(scaled);
}

std::optional<std::int64_t> ScaleToRegisterSingle(float value, int scale) {
    const float scaled = value * static_cast<float>(PowerOfTen(scale)) + (value > 0 ? WriteNudge : -WriteNudge);
    if (!std::isfinite(scaled) || std::fabs(static_cast<double>(scaled)) >= kInt64Limit) return std::nullopt;
    return static_cast<std::int64_t>(scaled);
}

bool RowInside(const Parameter& row, std::uint16_t start, int byteCount) {
    const int rowRegisters = (row.Bytes() + 1) / 2;
    return row.kind != Kind::None && row.reg >= start && row.reg + rowRegisters <= start + byteCount / 2;
}

FieldValue DecodeRow(const Parameter& row, const LiveRecord& host, const CodecContext& context) {
    FieldValue value;
    std::int64_t raw = 0;
    switch (row.kind) {
        case Kind::None:
            value.integer = static_cast<long long>(row.initial);
            value.real = row.initial;
            return value;
        case Kind::U16: raw = host.U16(row.reg); break;
        case Kind::S16: raw = host.S16(row.reg); break;
        case Kind::U32: raw = host.U32(row.reg); break;
        case Kind::S32: raw = host.S32(row.reg); break;
        case Kind::Float:
            value.real = host.Float(row.reg);
            return value;
        case Kind::FlowUnitPair:
            value.integer = 3LL * host.U16(row.reg) + host.U16(row.reg + 1);
            return value;
        case Kind::Digits8:
            if (const auto* digits = host.Raw(row.reg, 8)) value.integer = DigitsToNumber(digits);
            return value;
        case Kind::Total:
            value.real = static_cast<double>(host.U32(row.reg)) + static_cast<double>(host.U32(row.reg + 2)) / 1000.0;
            return value;
        case Kind::Clock: {
            const auto* clock = host.Raw(row.reg, 6);
            const auto time = clock != nullptr ? ClockBytesToTime(clock) : std::nullopt;
            value.integer = value.integer2 = time.value_or(0);
            return value;
        }
    }

    if (row.control == Control::FloatEdit) {
        value.real = static_cast<float>(raw) / static_cast<float>(PowerOfTen(row.scale));
    } else if (IsDecimal(row.control)) {
        value.real = static_cast<double>(raw) / PowerOfTen(RegisterScale(row, context));
    } else {
        switch (row.mapping) {
            case Mapping::DiameterOffset:
                // A register below DN20 shows DN20; one beyond DN32 shows no selection.
                value.integer = raw >= kDiameterOffset ? raw - kDiameterOffset : 0;
                break;
            case Mapping::EnergyUnit: value.integer = EnergyCodeToShortIndex(raw); break;
            case Mapping::EncodedDiameter:
                // A legacy code outside the table shows no selection.
                value.integer = context.paramEncoding == 1 ? raw : TableAt(LegacyDnToIndex, raw).value_or(-1);
                break;
            default: value.integer = raw; break;
        }
    }
    return value;
}

std::string RangePrompt(const Parameter& row, const Range& range) {
    const bool integer = !IsDecimal(row.control);
    const auto bound = [integer](double v) {
        return integer ? std::to_string(static_cast<long long>(v)) : FormatGeneral(v, 15);
    };
    return "请输入一个 " + bound(range.min) + " 至 " + bound(range.max) + (integer ? " 之间的整数。" : " 之间的数字。");
}

std::optional<std::string> RefusalOf(const Parameter& row, const FieldValue& value, const CodecContext& context) {
    // A value the user was just told lies outside its row's range is never sent.
    if (row.range) {
        const double field = IsDecimal(row.control) ? value.real : static_cast<double>(value.integer);
        if (field < row.range->min || field > row.range->max) return RangePrompt(row, *row.range);
    }
    switch (row.kind) {
        case Kind::Digits8:
            if (value.integer < 0 || value.integer > 99999999) return RangeRefusal(row, 0, 99999999);
            return std::nullopt;
        case Kind::Total:
            if (value.real < 0 || value.real >= kTotalLimit) return RangeRefusal(row, 0, 2147483647.999);
            return std::nullopt;
        case Kind::U16:
        case Kind::S16:
        case Kind::U32:
        case Kind::S32: {
            // A list keeps its index as it is (no selection deliberately sends 65535); a typed
            // number the register cannot hold would reach the meter as a different number.
            // The generic sensor factor's scale is known only once the meter has told its
            // encoding: EncodeRow checks it then.
            if (row.control == Control::List || row.mapping == Mapping::EncodedFactor) return std::nullopt;
            return HeldRefusal(row, RegisterInteger(row, value, context), context);
        }
        default: return std::nullopt;
    }
}

EncodeResult EncodeRow(const Parameter& row, const FieldValue& value, const CodecContext& context,
                       std::uint8_t* wire) {
    switch (row.kind) {
        case Kind::None: return {};
        case Kind::FlowUnitPair:
            // C division, as the meter's tools always did: no selection (−1) sends 0 and 65535.
            PutWord(static_cast<std::uint16_t>(value.integer / 3), wire);
            PutWord(static_cast<std::uint16_t>(value.integer % 3), wire + 2);
            return {};
        case Kind::Digits8:
            NumberToDigits(static_cast<std::uint32_t>(value.integer), wire);
            return {};
        case Kind::Total: {
            const double whole = std::trunc(value.real);
            const double thousandths = (value.real - whole) * 1000.0 +
                                       (value.real > 0 ? 1.0 : -1.0) * static_cast<double>(WriteNudge);
            PutPair(static_cast<std::uint32_t>(static_cast<std::int32_t>(whole)), context.byteOrderMode, wire);
            PutPair(static_cast<std::uint32_t>(static_cast<std::int32_t>(thousandths)), context.byteOrderMode, wire + 4);
            return {};
        }
        case Kind::Clock:
            TimeToClockBytes(value.integer, value.integer2, wire);
            return {};
        case Kind::Float: {
            std::uint32_t bits = 0;
            const auto single = static_cast<float>(value.real);
            std::memcpy(&bits, &single, sizeof bits);
            PutPair(bits, context.byteOrderMode, wire);
            return {};
        }
        case Kind::U16:
        case Kind::S16:
        case Kind::U32:
        case Kind::S32: break;
    }

    if (row.mapping == Mapping::EncodedDiameter && context.paramEncoding != 1 && value.integer >= 0) {
        const auto code = TableAt(DnIndexToLegacy, value.integer);
        if (!code || *code < 0) {
            const auto dn = TableAt(DnList, value.integer);
            return {false, "当前仪表设备不支持 DN" + std::to_string(dn.value_or(0))};
        }
        PutWord(static_cast<std::uint16_t>(*code), wire);
        return {};
    }

    const auto integer = RegisterInteger(row, value, context);
    if (row.control != Control::List) {
        if (auto refusal = HeldRefusal(row, integer, context)) return {false, std::move(*refusal)};
    }
    if (!integer) return {false, RangePrompt(row, {-kInt64Limit, kInt64Limit})};
    switch (row.kind) {
        case Kind::S32:
            PutPair(static_cast<std::uint32_t>(static_cast<std::int32_t>(*integer)), context.byteOrderMode, wire);
            return {};
        case Kind::U32:
            PutPair(static_cast<std::uint32_t>(static_cast<std::uint64_t>(*integer) & 0xFFFFFFFFULL), context.byteOrderMode, wire);
            return {};
        default:
            PutWord(static_cast<std::uint16_t>(static_cast<std::uint64_t>(*integer) & 0xFFFFULL), wire);
            return {};
    }
}

std::optional<std::int64_t> ClockBytesToTime(const std::uint8_t* clock) {
    const int yy = clock[0], mm = clock[1], dd = clock[2], hh = clock[3], mi = clock[4], ss = clock[5];
    const int daysInMonth[] = {31, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (yy > 99 || mm < 1 || mm > 12 || hh > 23 || mi > 59 || ss > 59) return std::nullopt;
    const int lastDay = mm == 2 && yy % 4 == 0 ? 29 : daysInMonth[mm];
    if (dd < 1 || dd > lastDay) return std::nullopt;
    std::tm local{};
    local.tm_year = 100 + yy;
    local.tm_mon = mm - 1;
    local.tm_mday = dd;
    local.tm_hour = hh;
    local.tm_min = mi;
    local.tm_sec = ss;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<std::int64_t>(seconds);
}

void TimeToClockBytes(std::int64_t date, std::int64_t time, std::uint8_t* clock) {
    const std::tm datePart = LocalFields(static_cast<std::time_t>(date));
    const std::tm timePart = LocalFields(static_cast<std::time_t>(time));
    clock[0] = static_cast<std::uint8_t>((datePart.tm_year + 1900 - 2000) & 0xFF);
    clock[1] = static_cast<std::uint8_t>(datePart.tm_mon + 1);
    clock[2] = static_cast<std::uint8_t>(datePart.tm_mday);
    clock[3] = static_cast<std::uint8_t>(timePart.tm_hour);
    clock[4] = static_cast<std::uint8_t>(timePart.tm_min);
    clock[5] = static_cast<std::uint8_t>(timePart.tm_sec);
}

}  // namespace kelvo
