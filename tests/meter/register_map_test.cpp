// SPDX-License-Identifier: GPL-3.0-or-later
// Every parameter of both register maps, in every byte order: a value becomes wire bytes,
// the frame of its write names its registers, and the live block's conversion and the
// decoding give the value back. And the rules of meaning a map is held to.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <ctime>
#include <string>

#include "link/modbus_frames.h"
#include "meter/meter_identity.h"
#include "meter/register_maps.h"
#include "meter/value_codec.h"
#include "settings/settings.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

// The largest list index of a parameter.
long long LastIndex(const Parameter& p) {
    switch (p.listSource) {
        case ListSource::Fixed: return static_cast<long long>(p.items.size()) - 1;
        case ListSource::AllDiameters: return static_cast<long long>(DnList.size()) - 1;
        case ListSource::FlowUnits: return static_cast<long long>(kFlowUnitCount) - 1;
        case ListSource::VolumeUnits: return static_cast<long long>(VolumeUnits.size()) - 1;
        case ListSource::ShortEnergyUnits: return static_cast<long long>(ShortEnergyUnits.size()) - 1;
    }
    return 0;
}

double PowerOfTen(int k) { return std::pow(10.0, k); }

// A value at the edge of what the registers carry: the largest list index, the widest
// number of the kind (most negative for the signed kinds).
FieldValue EdgeValue(const Parameter& p, int paramEncoding) {
    FieldValue value;
    const int scale = p.mapping == Mapping::EncodedFactor ? (paramEncoding == 1 ? 5 : 4) : p.scale;
    const auto widest = [&p]() -> double {
        switch (p.kind) {
            case Kind::U16: return 65535;
            case Kind::S16: return -32768;
            case Kind::U32: return 4294967295.0;
            case Kind::S32: return -2147483648.0;
            default: return 0;
        }
    };
    switch (p.kind) {
        case Kind::Float: value.real = 12.5; return value;
        case Kind::Total: value.real = 1234.567; return value;
        case Kind::Digits8: value.integer = 87654321; return value;
        case Kind::FlowUnitPair: value.integer = LastIndex(p); return value;
        case Kind::Clock: {
            std::tm local{};
            local.tm_year = 126, local.tm_mon = 11, local.tm_mday = 9, local.tm_hour = 12, local.tm_min = 34;
            local.tm_sec = 56, local.tm_isdst = -1;
            value.integer = value.integer2 = std::mktime(&local);
            return value;
        }
        default: break;
    }
    if (p.control == Control::List) {
        value.integer = p.mapping == Mapping::DiameterOffset ? static_cast<long long>(p.items.size()) - 1 : LastIndex(p);
    } else if (p.control == Control::IntEdit) {
        value.integer = static_cast<long long>(widest());
    } else if (p.control == Control::FloatEdit) {
        value.real = static_cast<float>(widest() / PowerOfTen(scale));
    } else {
        value.real = widest() / PowerOfTen(scale);
    }
    return value;
}

struct MapCase {
    const char* kind;
    const RegisterMap* map;
};

TEST(RegisterMaps, EveryParameterRoundTripsInEveryByteOrder) {
    const MapCase maps[] = {{"generic", &generic_map::kMap}, {"w58", &w58_map::kMap}};
    for (const MapCase& m : maps) {
        for (const Parameter& p : m.map->parameters) {
            if (p.Registers() == 0) continue;
            for (int encoding : {kEncodingLegacy, kEncodingCurrent}) {
                if (encoding == kEncodingLegacy && !p.DependsOnEncoding()) continue;
                for (int mode = 0; mode < 4; ++mode) {
                    SCOPED_TRACE(std::string(m.kind) + " " + std::string(p.name) + ", byte order " +
                                 std::to_string(mode) + ", encoding " + std::to_string(encoding));
                    const CodecContext context{.byteOrderMode = mode, .paramEncoding = encoding};
                    const FieldValue value = EdgeValue(p, encoding);
                    std::array<std::uint8_t, 8> wire{};
                    ASSERT_TRUE(EncodeRow(p, value, context, wire.data()).ok);

                    const auto data = std::span<const std::uint8_t>(wire).first(static_cast<std::size_t>(p.Bytes()));
                    const RequestFrame frame = WriteRequest(8, p.reg, data);
                    EXPECT_EQ(frame.bytes[2] << 8 | frame.bytes[3], p.reg);
                    EXPECT_EQ(frame.bytes[4] << 8 | frame.bytes[5], p.Registers());
                    EXPECT_EQ(frame.bytes[6], p.Bytes());

                    // As the polling and a page's read put it into the record.
                    LiveRecord record;
                    PlaceWireBytes(record, p.reg, wire.data(), p.Bytes(), m.map->parameters, mode);
                    const FieldValue back = DecodeRow(p, record, context);
                    EXPECT_EQ(back.integer, value.integer);
                    EXPECT_EQ(back.integer2, value.integer2);
                    EXPECT_DOUBLE_EQ(back.real, value.real);
                }
            }
        }
    }
}

// Hand-worked: 100000 in each byte order, a negative pair, and a word, which the byte
// order does not touch.
TEST(RegisterMaps, KnownMeterValuesInTheLiveBlock) {
    struct Case {
        std::string_view parameter;
        std::array<std::uint8_t, 4> wire;
        int mode;
        std::uint32_t host;
    };
    const Case cases[] = {
        {"flow_range", {0x00, 0x01, 0x86, 0xA0}, 3, 100000},
        {"flow_range", {0x86, 0xA0, 0x00, 0x01}, 1, 100000},
        {"flow_range", {0xA0, 0x86, 0x01, 0x00}, 0, 100000},
        {"flow_range", {0x01, 0x00, 0xA0, 0x86}, 2, 100000},
        {"zero_correction", {0xFF, 0xFF, 0xFF, 0xFE}, 3, 0xFFFFFFFE},
        {"flow_unit", {0x01, 0x2C, 0x00, 0x02}, 3, 300},
    };
    for (const Case& c : cases) {
        const Parameter p = *FindParameter(w58_map::kParameters, c.parameter);
        LiveRecord record;
        PlaceWireBytes(record, p.reg, c.wire.data(), 4, w58_map::kParameters, c.mode);
        const std::uint32_t host = RuleOf(p.kind) == RegisterRule::Pair32 ? record.U32(p.reg) : record.U16(p.reg);
        EXPECT_EQ(host, c.host) << c.parameter << ", mode " << c.mode;
    }
}

TEST(RegisterMaps, APairCutByTheBlockEdgeStaysAsReceived) {
    LiveRecord record;
    for (std::size_t i = 0; i < record.bytes.size(); ++i) record.bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const LiveRecord before = record;
    // The second half of the flow pair alone, the first half of the range pair alone.
    PlaceWireBytes(record, 100, before.Raw(100, 2), 2, w58_map::kParameters, 3);
    PlaceWireBytes(record, 139, before.Raw(139, 2), 2, w58_map::kParameters, 3);
    EXPECT_EQ(record, before);
}

// The rules of meaning, on small maps of their own.
constexpr auto kTwoOnOneRegister = std::to_array<Parameter>({
    {.name = "a", .kind = Kind::U32, .reg = 139},
    {.name = "b", .reg = 140},
});
constexpr auto kAView = std::to_array<Parameter>({
    {.name = "pair", .kind = Kind::FlowUnitPair, .reg = 115},
    {.name = "volume", .reg = 115, .viewOf = "pair"},
});
constexpr auto kTwice = std::to_array<Parameter>({{.name = "a", .reg = 141}, {.name = "a", .reg = 142}});
constexpr auto kOneWord = std::to_array<Parameter>({{.name = "a", .reg = 151}});
constexpr auto kCommandOnIt = std::to_array<MeterCommand>({{.name = "zero", .reg = 151, .value = 1}});
static_assert(FirstMapFault({.kindName = "", .parameters = kTwoOnOneRegister, .commands = {}}) == MapFault::Overlap);
static_assert(FirstMapFault({.kindName = "", .parameters = kAView, .commands = {}}) == MapFault::None);
static_assert(FirstMapFault({.kindName = "", .parameters = kTwice, .commands = {}}) == MapFault::DuplicateName);
static_assert(FirstMapFault({.kindName = "", .parameters = kOneWord, .commands = kCommandOnIt}) ==
              MapFault::CommandOnParameter);

}  // namespace
}  // namespace kelvo
