// SPDX-License-Identifier: GPL-3.0-or-later
// What the user reads in the twelve live fields for the values a meter reports.

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "live/live_display.h"
#include "meter/live_record.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

// One register value as the record holds it after conversion.
struct Put {
    int reg;
    std::variant<std::uint16_t, std::int32_t, float> value;
};

LiveRecord RecordWith(const std::vector<Put>& puts) {
    LiveRecord record;
    for (const Put& put : puts) {
        if (const auto* u16 = std::get_if<std::uint16_t>(&put.value)) record.SetU16(put.reg, *u16);
        if (const auto* s32 = std::get_if<std::int32_t>(&put.value)) {
            record.SetU32(put.reg, static_cast<std::uint32_t>(*s32));
        }
        if (const auto* f = std::get_if<float>(&put.value)) record.SetFloat(put.reg, *f);
    }
    return record;
}

std::uint16_t U16(int value) { return static_cast<std::uint16_t>(value); }

struct FieldCase {
    const char* what;
    std::vector<Put> puts;
    LiveField field;
    std::string expected;
    int meterKind = kW58Meter;
};

const std::vector<FieldCase>& FieldCases() {
    static const std::vector<FieldCase> cases = {
        // Instantaneous flow with the unit of registers 115/116.
        {"flow m3/h", {{99, 12.5F}, {115, U16(1)}, {116, U16(2)}}, kFlowField, "12.5000 m3/h"},
        {"flow L/s", {{99, 0.25F}, {115, U16(0)}, {116, U16(0)}}, kFlowField, "0.2500 L/s"},
        {"flow Igal/min", {{99, -3.0F}, {115, U16(5)}, {116, U16(1)}}, kFlowField, "-3.0000 Igal/min"},
        {"flow volume unit beyond the table", {{99, 12.5F}, {115, U16(7)}, {116, U16(2)}}, kFlowField, "12.5000 "},
        {"flow volume unit 6", {{99, 12.5F}, {115, U16(6)}, {116, U16(0)}}, kFlowField, "12.5000 "},
        {"flow time unit beyond the table", {{99, 12.5F}, {115, U16(1)}, {116, U16(3)}}, kFlowField, "12.5000 "},
        {"flow unit 0xFFFF", {{99, 12.5F}, {115, U16(0xFFFF)}, {116, U16(0xFFFF)}}, kFlowField, "12.5000 "},
        {"flow generic meter", {{99, 1.23456F}, {115, U16(1)}, {116, U16(2)}}, kFlowField, "1.2346 m3/h",
         kGenericMeter},
        // Velocity, percentage and MT.
        {"velocity", {{101, 1.23456F}}, kVelocityField, "1.2346 m/s"},
        {"velocity negative", {{101, -0.5F}}, kVelocityField, "-0.5000 m/s"},
        {"percentage rounds", {{103, 45.678F}}, kPercentField, "45.68%"},
        {"percentage zero", {{103, 0.0F}}, kPercentField, "0.00%"},
        {"percentage above 100", {{103, 120.0F}}, kPercentField, "120.00%"},
        {"MT rounds down", {{105, 1234.4F}}, kMtField, "1234"},
        {"MT rounds up", {{105, 1234.6F}}, kMtField, "1235"},
        {"MT half to even, down", {{105, 2.5F}}, kMtField, "2"},
        {"MT half to even, up", {{105, 3.5F}}, kMtField, "4"},
        {"MT small negative keeps its sign", {{105, -0.4F}}, kMtField, "-0"},
        {"MT zero", {{105, 0.0F}}, kMtField, "0"},
        {"MT large", {{105, 16777216.0F}}, kMtField, "16777216"},
        // Totals: signed whole part, signed thousandths, volume unit of register 115.
        {"forward total", {{107, 12}, {109, 5}, {115, U16(1)}}, kForwardField, "12.005 m3"},
        {"forward total zero", {{107, 0}, {109, 0}, {115, U16(1)}}, kForwardField, "0.000 m3"},
        {"forward total negative whole part", {{107, -3}, {109, 250}, {115, U16(1)}}, kForwardField, "-3.250 m3"},
        {"forward total negative thousandths", {{107, 12}, {109, -5}, {115, U16(1)}}, kForwardField, "12.-05 m3"},
        {"forward total thousandths beyond 999", {{107, 1}, {109, 1234}, {115, U16(0)}}, kForwardField,
         "1.1234 L"},
        {"forward total largest", {{107, 2147483647}, {109, 999}, {115, U16(3)}}, kForwardField,
         "2147483647.999 t"},
        {"forward total smallest", {{107, -2147483647 - 1}, {109, 0}, {115, U16(2)}}, kForwardField,
         "-2147483648.000 kg"},
        {"forward total unit beyond the table", {{107, 12}, {109, 5}, {115, U16(7)}}, kForwardField, "12.005 "},
        {"reverse total", {{111, 7}, {113, 42}, {115, U16(4)}}, kReverseField, "7.042 gal"},
        {"reverse total unit beyond the table", {{111, 7}, {113, 42}, {115, U16(300)}}, kReverseField, "7.042 "},
        // Heat group: power unit of register 133, energy unit of register 134.
        {"heat power kW", {{119, 1.5F}, {133, U16(0)}}, kHeatPowerField, "1.5000 kW"},
        {"heat power GJ/h", {{119, 0.00004F}, {133, U16(4)}}, kHeatPowerField, "0.0000 GJ/h"},
        {"heat power unit beyond the table", {{119, 1.5F}, {133, U16(5)}}, kHeatPowerField, "1.5000 "},
        {"supply temperature", {{121, 45.678F}}, kSupplyTempField, "45.68"},
        {"return temperature below zero", {{123, -3.456F}}, kReturnTempField, "-3.46"},
        {"heat total kWh", {{125, 100}, {127, 7}, {134, U16(0)}}, kHeatTotalField, "100.007 kWh"},
        {"heat total kJ", {{125, 100}, {127, 7}, {134, U16(2)}}, kHeatTotalField, "100.007 kJ"},
        {"heat total unit beyond the table", {{125, 100}, {127, 7}, {134, U16(5)}}, kHeatTotalField, "100.007 "},
        {"cold total GJ", {{129, -1}, {131, 999}, {134, U16(4)}}, kColdTotalField, "-1.999 GJ"},
        {"cold total shown for a generic meter", {{129, 3}, {131, 30}, {134, U16(1)}}, kColdTotalField,
         "3.030 MWh", kGenericMeter},
    };
    return cases;
}

TEST(LiveDisplay, EveryFieldShowsTheMeterValueInItsFormat) {
    for (const FieldCase& c : FieldCases()) {
        const LiveTexts texts = FormatLiveTexts(RecordWith(c.puts), c.meterKind);
        EXPECT_EQ(texts[c.field], c.expected) << c.what;
    }
}

TEST(LiveDisplay, AllZeroRecordShowsZerosWithTheFirstUnits) {
    const LiveTexts texts = FormatLiveTexts(LiveRecord{}, kW58Meter);
    const LiveTexts expected = {"0.0000 L/s", "0.0000 m/s", "0.00%",     "0",    "0.000 L",   "0.000 L",
                                "",           "0.0000 kW",  "0.00",      "0.00", "0.000 kWh", "0.000 kWh"};
    EXPECT_EQ(texts, expected);
}

TEST(LiveDisplay, AlarmTextFromTheLowByteOfRegister118) {
    struct Case {
        int bits;
        int meterKind;
        std::string expected;
    };
    const std::array<Case, 18> cases = {{
        {0x00, kW58Meter, ""},
        {0x01, kGenericMeter, "系统;"},
        {0x02, kGenericMeter, "空管;"},
        {0x04, kGenericMeter, "上限;"},
        {0x08, kGenericMeter, "下限;"},
        {0x0C, kW58Meter, "上限;下限;"},
        {0x0D, kW58Meter, "系统;上限;下限;"},
        {0x0D, kGenericMeter, "系统;上限;下限;"},
        {0x0F, kW58Meter, "系统;空管;"},           // an empty pipe hides the limit alarms
        {0x0E, kGenericMeter, "空管;"},
        {0x30, kW58Meter, "供温;回温;"},
        {0x30, kGenericMeter, ""},                 // a generic meter has no temperatures
        {0x10, kW58Meter, "供温;"},
        {0x20, kW58Meter, "回温;"},
        {0x3F, kW58Meter, "系统;空管;供温;回温;"},
        {0xC0, kW58Meter, ""},                     // bits 6 and 7 are not used
        {0xFF00, kW58Meter, ""},                   // nor is the high byte
        {0xFFFD, kW58Meter, "系统;上限;下限;供温;回温;"},
    }};
    for (const Case& c : cases) {
        const LiveRecord record = RecordWith({{118, U16(c.bits)}});
        EXPECT_EQ(FormatLiveTexts(record, c.meterKind)[kAlarmField], c.expected)
            << "bits 0x" << std::hex << c.bits << ", kind " << c.meterKind;
        EXPECT_EQ(AlarmText(U16(c.bits), c.meterKind), c.expected);
    }
}

// The GUI runs under the user's locale; a decimal comma must never reach the live fields.
TEST(LiveDisplay, NumbersIgnoreTheProcessLocale) {
    const std::array<const char*, 4> commaLocales = {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8", "de_DE.utf8"};
    const char* chosen = nullptr;
    for (const char* name : commaLocales) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            chosen = name;
            break;
        }
    }
    if (chosen == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";

    const LiveTexts texts =
        FormatLiveTexts(RecordWith({{99, 12.5F}, {115, U16(1)}, {116, U16(2)}, {103, 45.678F}}), kW58Meter);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(texts[kFlowField], "12.5000 m3/h") << chosen;
    EXPECT_EQ(texts[kPercentField], "45.68%") << chosen;
}

}  // namespace
}  // namespace kelvo
