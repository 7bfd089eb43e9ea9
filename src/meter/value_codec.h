// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moves a parameter's value between its value field and its registers: decoding from a
// record of host-order registers, encoding into wire bytes. Pages pass their rows, which
// are parameters placed on a page.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "meter/live_record.h"
#include "meter/parameter.h"

namespace kelvo {

// The value field behind one control (two for a date and time pair).
struct FieldValue {
    long long integer = 0;   // list index, integer, meter number; the date of a DateTime row
    long long integer2 = 0;  // the time of a DateTime row
    double real = 0;         // decimal fields

    bool operator==(const FieldValue&) const = default;
};

// What a transaction knows besides the value: the ByteOrderMode of the serial settings
// loaded for it, and the meter's ParamEncoding (generic page only).
struct CodecContext {
    int byteOrderMode = 1;
    int paramEncoding = 1;
};

// The decimal exponent k of a row's register (register = value × 10^k): its scale, or
// for the generic sensor factor 5, 4 on a meter of the legacy encoding.
int RegisterScale(const Parameter& row, const CodecContext& context);

// 0.000001 as a single-precision number: lifts products such as 1.005 × 1000 =
// 1004.9999999999999 over the whole step they are meant to reach.
inline constexpr float WriteNudge = 0.000001F;

// value × 10^k, plus WriteNudge when the value is above zero and minus it otherwise,
// truncated toward zero. nullopt when the result does not fit a 64-bit integer.
std::optional<std::int64_t> ScaleToRegister(double value, int scale);
std::optional<std::int64_t> ScaleToRegisterSingle(float value, int scale);

// Registers 0..399, in wire order; batch blocks are slices of it.
struct WireImage {
    std::array<std::uint8_t, 2 * kRegisterSpace> bytes{};
    std::uint8_t* At(std::uint16_t reg) { return bytes.data() + 2 * reg; }
    const std::uint8_t* At(std::uint16_t reg) const { return bytes.data() + 2 * reg; }
};

// True when all of the parameter's registers lie in [start, start + byteCount/2).
bool RowInside(const Parameter& row, std::uint16_t start, int byteCount);

// Turns the registers of one parameter, already in the record as they came, to host order.
void ParameterToHost(const Parameter& parameter, LiveRecord& host, int byteOrderMode);

// Puts the wire bytes of registers [start, start + byteCount/2) into a host record and
// turns the registers of the given parameters (or rows) that lie inside into host order.
template <class Parameters>
void PlaceWireBytes(LiveRecord& host, std::uint16_t start, const std::uint8_t* wire, int byteCount,
                    const Parameters& parameters, int byteOrderMode) {
    auto* place = host.RawMutable(start, byteCount);
    if (place == nullptr) return;
    std::copy(wire, wire + byteCount, place);
    for (const Parameter& parameter : parameters) {
        if (RowInside(parameter, start, byteCount)) ParameterToHost(parameter, host, byteOrderMode);
    }
}

// The field value of a row from host-order registers.
FieldValue DecodeRow(const Parameter& row, const LiveRecord& host, const CodecContext& context);

// The text of the standard range prompt of a row ("请输入一个 0 至 99999999 之间的整数。").
std::string RangePrompt(const Parameter& row, const Range& range);

// A value outside the row's range, or one its registers cannot hold, is refused before
// anything is sent; the text to show, or nullopt when the value can be sent.
std::optional<std::string> RefusalOf(const Parameter& row, const FieldValue& value, const CodecContext& context);

struct EncodeResult {
    bool ok = true;
    std::string message;  // shown when !ok (e.g. a diameter a legacy meter lacks)
};
// Writes the row's wire bytes at wire + 0 (row.Bytes() bytes).
EncodeResult EncodeRow(const Parameter& row, const FieldValue& value, const CodecContext& context,
                       std::uint8_t* wire);

// Seconds since the epoch <-> the meter's clock bytes, in local time. An invalid clock
// (the clock check of the meter's record) gives nullopt.
std::optional<std::int64_t> ClockBytesToTime(const std::uint8_t* clock);
void TimeToClockBytes(std::int64_t date, std::int64_t time, std::uint8_t* clock);

}  // namespace kelvo
