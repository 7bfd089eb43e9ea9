// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes a value becomes on the wire, the value a user reads back from register
// bytes, and the values that are refused before anything is sent. The rows are the
// generic page's own; the meter number and a total are rows of the W58 kind.

#include <gtest/gtest.h>

#include <ostream>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fake_controls.h"
#include "pages/normal_cfg_page.h"
#include "meter/value_codec.h"
#include "meter/w58_map.h"
#include "support/scripted_prompter.h"

namespace kelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

const ParamRow* GenericRow(int controlId) {
    for (const ParamRow& row : NormalCfgDefinition().rows) {
        if (row.controlId == controlId) return &row;
    }
    return nullptr;
}

// Rows of the W58 kind.
constexpr ParamRow kMeterNumberRow = Row(w58_map::kParameters, "meter_number", {.controlId = 1278});
constexpr ParamRow kForwardTotalRow = Row(w58_map::kParameters, "forward_total", {.controlId = 1069});

constexpr int kCurrent = 1;
constexpr int kLegacy = 0;

FieldValue Real(double value) { return FieldValue{.real = value}; }
FieldValue Integer(long long value) { return FieldValue{.integer = value}; }

struct EncodeCase {
    const char* what;
    const ParamRow* row;
    FieldValue value;
    int byteOrderMode;
    int paramEncoding;
    Bytes wire;
};
void PrintTo(const EncodeCase& c, std::ostream* out) { *out << c.what; }

class EncodeRowTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeRowTest, SendsTheseBytes) {
    const EncodeCase& c = GetParam();
    const CodecContext context{.byteOrderMode = c.byteOrderMode, .paramEncoding = c.paramEncoding};
    ASSERT_FALSE(RefusalOf(*c.row, c.value, context).has_value()) << c.what;
    Bytes wire(static_cast<std::size_t>(c.row->Bytes()), 0xAA);
    const EncodeResult result = EncodeRow(*c.row, c.value, context, wire.data());
    EXPECT_TRUE(result.ok) << c.what << ": " << result.message;
    EXPECT_EQ(wire, c.wire) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    WireBytes, EncodeRowTest,
    ::testing::Values(
        // 3000 = 00 00 0B B8, arranged by each ByteOrderMode
        EncodeCase{"0.3, U32 x10^4, mode 0", GenericRow(1007), Real(0.3), 0, kCurrent, {0xB8, 0x0B, 0x00, 0x00}},
        EncodeCase{"0.3, U32 x10^4, mode 1", GenericRow(1007), Real(0.3), 1, kCurrent, {0x0B, 0xB8, 0x00, 0x00}},
        EncodeCase{"0.3, U32 x10^4, mode 2", GenericRow(1007), Real(0.3), 2, kCurrent, {0x00, 0x00, 0xB8, 0x0B}},
        EncodeCase{"0.3, U32 x10^4, mode 3", GenericRow(1007), Real(0.3), 3, kCurrent, {0x00, 0x00, 0x0B, 0xB8}},
        EncodeCase{"a mode outside 0..3 acts as 1", GenericRow(1007), Real(0.3), 7, kCurrent, {0x0B, 0xB8, 0x00, 0x00}},
        // 1.005 x 1000 is 1004.9999999999999; the nudge makes it 1005 = 03 ED
        EncodeCase{"1.005, U32 x10^3", GenericRow(1168), Real(1.005), 3, kCurrent, {0x00, 0x00, 0x03, 0xED}},
        // -15000 = FF FF C5 68
        EncodeCase{"-1.5, S32 x10^4, mode 0", GenericRow(1056), Real(-1.5), 0, kCurrent, {0x68, 0xC5, 0xFF, 0xFF}},
        EncodeCase{"-1.5, S32 x10^4, mode 1", GenericRow(1056), Real(-1.5), 1, kCurrent, {0xC5, 0x68, 0xFF, 0xFF}},
        EncodeCase{"-1.5, S32 x10^4, mode 2", GenericRow(1056), Real(-1.5), 2, kCurrent, {0xFF, 0xFF, 0x68, 0xC5}},
        EncodeCase{"-1.5, S32 x10^4, mode 3", GenericRow(1056), Real(-1.5), 3, kCurrent, {0xFF, 0xFF, 0xC5, 0x68}},
        EncodeCase{"0, U32", GenericRow(1007), Real(0), 1, kCurrent, {0, 0, 0, 0}},
        EncodeCase{"0, S32", GenericRow(1056), Real(0), 1, kCurrent, {0, 0, 0, 0}},
        EncodeCase{"a tiny negative value truncates toward zero", GenericRow(1056), Real(-0.00001), 1, kCurrent,
                   {0, 0, 0, 0}},
        EncodeCase{"S32 lower bound", GenericRow(1056), Real(-214748.3648), 3, kCurrent, {0x80, 0x00, 0x00, 0x00}},
        EncodeCase{"S32 upper bound", GenericRow(1056), Real(214748.3647), 3, kCurrent, {0x7F, 0xFF, 0xFF, 0xFF}},
        EncodeCase{"largest U32", GenericRow(1007), Real(429496.7295), 1, kCurrent, {0xFF, 0xFF, 0xFF, 0xFF}},
        // sensor factor: 100000 = 00 01 86 A0 on a current meter, 10000 = 00 00 27 10 on a legacy one
        EncodeCase{"sensor factor 1, current", GenericRow(1055), Real(1), 1, kCurrent, {0x86, 0xA0, 0x00, 0x01}},
        EncodeCase{"sensor factor 1, legacy", GenericRow(1055), Real(1), 1, kLegacy, {0x27, 0x10, 0x00, 0x00}},
        EncodeCase{"sensor factor -0.5, current", GenericRow(1055), Real(-0.5), 1, kCurrent, {0x3C, 0xB0, 0xFF, 0xFF}},
        EncodeCase{"sensor factor 30000 fits a legacy meter", GenericRow(1055), Real(30000), 1, kLegacy,
                   {0xA3, 0x00, 0x11, 0xE1}},
        // the cutoff is single precision: 4.2f x 10 in double precision would give 41
        EncodeCase{"cutoff 0.5", GenericRow(1008), Real(0.5), 1, kCurrent, {0x00, 0x05}},
        EncodeCase{"cutoff 4.2 in single precision", GenericRow(1008), Real(static_cast<float>(4.2)), 1, kCurrent,
                   {0x00, 0x2A}},
        EncodeCase{"cutoff 6553.5", GenericRow(1008), Real(6553.5), 1, kCurrent, {0xFF, 0xFF}},
        // flow unit: volume unit register, then time unit register
        EncodeCase{"flow unit m3/h", GenericRow(1047), Integer(5), 1, kCurrent, {0x00, 0x01, 0x00, 0x02}},
        EncodeCase{"flow unit Igal/h", GenericRow(1047), Integer(17), 1, kCurrent, {0x00, 0x05, 0x00, 0x02}},
        EncodeCase{"flow unit, no selection", GenericRow(1047), Integer(-1), 1, kCurrent, {0x00, 0x00, 0xFF, 0xFF}},
        EncodeCase{"baud rate 57600", GenericRow(1041), Integer(6), 1, kCurrent, {0x00, 0x06}},
        EncodeCase{"a list without selection sends 65535", GenericRow(1041), Integer(-1), 1, kCurrent, {0xFF, 0xFF}},
        EncodeCase{"DN50, current", GenericRow(1031), Integer(13), 1, kCurrent, {0x00, 0x0D}},
        EncodeCase{"DN1, current", GenericRow(1031), Integer(0), 1, kCurrent, {0x00, 0x00}},
        EncodeCase{"no diameter, current", GenericRow(1031), Integer(-1), 1, kCurrent, {0xFF, 0xFF}},
        EncodeCase{"DN3, legacy code 0", GenericRow(1031), Integer(2), 1, kLegacy, {0x00, 0x00}},
        EncodeCase{"DN15, legacy code 3", GenericRow(1031), Integer(8), 1, kLegacy, {0x00, 0x03}},
        EncodeCase{"DN2000, legacy code 30", GenericRow(1031), Integer(35), 1, kLegacy, {0x00, 0x1E}},
        EncodeCase{"no diameter, legacy", GenericRow(1031), Integer(-1), 1, kLegacy, {0xFF, 0xFF}},
        EncodeCase{"meter number", &kMeterNumberRow, Integer(12345678), 1, kCurrent,
                   {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}},
        // whole part 12 and thousandths 5, each a pair arranged by the mode
        EncodeCase{"total 12.005", &kForwardTotalRow, Real(12.005), 1, kCurrent,
                   {0x00, 0x0C, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00}},
        EncodeCase{"largest total", &kForwardTotalRow, Real(2147483647.5), 1, kCurrent,
                   {0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0xF4, 0x00, 0x00}}));

// Values that cannot travel: shown with these texts, and EncodeRow writes no byte.
struct UnsendableCase {
    const char* what;
    const ParamRow* row;
    FieldValue value;
    int paramEncoding;
    std::string text;
};
void PrintTo(const UnsendableCase& c, std::ostream* out) { *out << c.what; }

class UnsendableTest : public ::testing::TestWithParam<UnsendableCase> {};

TEST_P(UnsendableTest, IsRefusedWithThisText) {
    const UnsendableCase& c = GetParam();
    const CodecContext context{.byteOrderMode = 1, .paramEncoding = c.paramEncoding};
    std::optional<std::string> text = RefusalOf(*c.row, c.value, context);
    Bytes wire(static_cast<std::size_t>(c.row->Bytes()), 0xAA);
    if (!text) {
        // Known only once the meter has told its encoding: EncodeRow refuses.
        const EncodeResult result = EncodeRow(*c.row, c.value, context, wire.data());
        EXPECT_FALSE(result.ok) << c.what;
        text = result.message;
    }
    EXPECT_EQ(*text, c.text) << c.what;
}

const std::string kS32Prompt = "请输入一个 -214748.3648 至 214748.3647 之间的数字。";
const std::string kCurrentFactorPrompt = "请输入一个 -21474.83648 至 21474.83647 之间的数字。";
const std::string kMeterNumberPrompt = "请输入一个 0 至 99999999 之间的整数。";
const std::string kU32Prompt = "请输入一个 0 至 429496.7295 之间的数字。";
const std::string kU16Prompt = "请输入一个 0 至 65535 之间的整数。";
const std::string kTotalPrompt = "请输入一个 0 至 2147483647.999 之间的数字。";

INSTANTIATE_TEST_SUITE_P(
    Refusals, UnsendableTest,
    ::testing::Values(
        UnsendableCase{"S32 one step above", GenericRow(1056), Real(214748.3648), kCurrent, kS32Prompt},
        UnsendableCase{"S32 one step below", GenericRow(1056), Real(-214748.3649), kCurrent, kS32Prompt},
        UnsendableCase{"S32 far beyond any integer", GenericRow(1056), Real(1e300), kCurrent, kS32Prompt},
        UnsendableCase{"S32 far below any integer", GenericRow(1056), Real(-1e300), kCurrent, kS32Prompt},
        UnsendableCase{"sensor factor beyond S32, current", GenericRow(1055), Real(30000), kCurrent,
                       kCurrentFactorPrompt},
        UnsendableCase{"sensor factor beyond any integer, current", GenericRow(1055), Real(1e300), kCurrent,
                       kCurrentFactorPrompt},
        UnsendableCase{"sensor factor beyond S32, legacy", GenericRow(1055), Real(214748.3648), kLegacy, kS32Prompt},
        // A number its register would store as another number: 2^32 would arrive as 0,
        // -1 as 65535 or 4294967295.
        UnsendableCase{"U32 one step above", GenericRow(1007), Real(429496.7296), kCurrent, kU32Prompt},
        UnsendableCase{"U32 below 0", GenericRow(1007), Real(-1), kCurrent, kU32Prompt},
        UnsendableCase{"U16 cutoff one step above", GenericRow(1008), Real(6553.6), kCurrent,
                       "请输入一个 0 至 6553.5 之间的数字。"},
        UnsendableCase{"U16 integer 70000", GenericRow(1010), Integer(70000), kCurrent, kU16Prompt},
        UnsendableCase{"U16 integer below 0", GenericRow(1010), Integer(-1), kCurrent, kU16Prompt},
        UnsendableCase{"meter number below 0", &kMeterNumberRow, Integer(-1), kCurrent, kMeterNumberPrompt},
        UnsendableCase{"meter number above 99999999", &kMeterNumberRow, Integer(100000000), kCurrent,
                       kMeterNumberPrompt},
        UnsendableCase{"total below 0", &kForwardTotalRow, Real(-0.001), kCurrent, kTotalPrompt},
        UnsendableCase{"total at 2147483648", &kForwardTotalRow, Real(2147483648.0), kCurrent, kTotalPrompt},
        UnsendableCase{"DN1 on a legacy meter", GenericRow(1031), Integer(0), kLegacy, "当前仪表设备不支持 DN1"},
        UnsendableCase{"DN2 on a legacy meter", GenericRow(1031), Integer(1), kLegacy, "当前仪表设备不支持 DN2"},
        UnsendableCase{"DN4 on a legacy meter", GenericRow(1031), Integer(3), kLegacy, "当前仪表设备不支持 DN4"},
        UnsendableCase{"DN5 on a legacy meter", GenericRow(1031), Integer(4), kLegacy, "当前仪表设备不支持 DN5"},
        UnsendableCase{"DN8 on a legacy meter", GenericRow(1031), Integer(6), kLegacy, "当前仪表设备不支持 DN8"}));

TEST(RefusalTest, TheEdgesOfEachRangeAreSent) {
    const CodecContext context;
    EXPECT_FALSE(RefusalOf(kMeterNumberRow, Integer(0), context));
    EXPECT_FALSE(RefusalOf(kMeterNumberRow, Integer(99999999), context));
    EXPECT_FALSE(RefusalOf(kForwardTotalRow, Real(0), context));
    EXPECT_FALSE(RefusalOf(kForwardTotalRow, Real(2147483647.999), context));
    EXPECT_FALSE(RefusalOf(*GenericRow(1056), Real(214748.3647), context));
    EXPECT_FALSE(RefusalOf(*GenericRow(1056), Real(-214748.3648), context));
    EXPECT_FALSE(RefusalOf(*GenericRow(1010), Integer(65535), context));
}

// What the user reads after register bytes have been read: the bytes go through the
// page's decoding and the page shows the value in its control.
struct DecodeCase {
    const char* what;
    int controlId;
    Bytes wire;
    int byteOrderMode;
    int paramEncoding;
    std::string text;    // edits
    int selection = -2;  // lists
};
void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.what; }

class DecodeRowTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeRowTest, ShowsThis) {
    const DecodeCase& c = GetParam();
    const ParamRow& row = *GenericRow(c.controlId);
    ASSERT_EQ(static_cast<int>(c.wire.size()), row.Bytes()) << c.what;
    LiveRecord host;
    PlaceWireBytes(host, row.reg, c.wire.data(), row.Bytes(), NormalCfgDefinition().rows, c.byteOrderMode);
    const FieldValue value = DecodeRow(row, host, {.byteOrderMode = c.byteOrderMode, .paramEncoding = c.paramEncoding});

    test::FakeControls controls(NormalCfgDefinition());
    test::ScriptedPrompter prompter;
    CNormalCfgPage page(controls, prompter);
    page.SetValue(*page.RowOfControl(c.controlId), value);
    page.ShowValues();
    if (row.control == Control::List) {
        EXPECT_EQ(controls.Selection(c.controlId), c.selection) << c.what;
    } else {
        EXPECT_EQ(controls.Text(c.controlId), c.text) << c.what;
    }
}

DecodeCase Edit(const char* what, int id, Bytes wire, int mode, int encoding, std::string text) {
    return {what, id, std::move(wire), mode, encoding, std::move(text)};
}
DecodeCase List(const char* what, int id, Bytes wire, int encoding, int selection) {
    return {what, id, std::move(wire), 1, encoding, {}, selection};
}

INSTANTIATE_TEST_SUITE_P(
    ReadBack, DecodeRowTest,
    ::testing::Values(
        Edit("U32 FF FF FF FF x10^4", 1007, {0xFF, 0xFF, 0xFF, 0xFF}, 1, kCurrent, "429496.7295"),
        // 350000 = 00 05 57 30 in each arrangement
        Edit("range 35, mode 0", 1007, {0x30, 0x57, 0x05, 0x00}, 0, kCurrent, "35"),
        Edit("range 35, mode 1", 1007, {0x57, 0x30, 0x00, 0x05}, 1, kCurrent, "35"),
        Edit("range 35, mode 2", 1007, {0x05, 0x00, 0x30, 0x57}, 2, kCurrent, "35"),
        Edit("range 35, mode 3", 1007, {0x00, 0x05, 0x57, 0x30}, 3, kCurrent, "35"),
        Edit("range 0.0001", 1007, {0x00, 0x01, 0x00, 0x00}, 1, kCurrent, "0.0001"),
        Edit("S32 FF FF C5 68", 1056, {0xFF, 0xFF, 0xC5, 0x68}, 3, kCurrent, "-1.5"),
        Edit("sensor factor pair 100000, current", 1055, {0x86, 0xA0, 0x00, 0x01}, 1, kCurrent, "1"),
        Edit("sensor factor pair 100000, legacy", 1055, {0x86, 0xA0, 0x00, 0x01}, 1, kLegacy, "10"),
        Edit("sensor factor 1, current", 1055, {0x00, 0x01, 0x00, 0x00}, 1, kCurrent, "1e-05"),
        Edit("sensor factor -50000, current", 1055, {0x3C, 0xB0, 0xFF, 0xFF}, 1, kCurrent, "-0.5"),
        Edit("cutoff 5", 1008, {0x00, 0x05}, 1, kCurrent, "0.5"),
        Edit("cutoff 42", 1008, {0x00, 0x2A}, 1, kCurrent, "4.2"),
        Edit("cutoff 65535", 1008, {0xFF, 0xFF}, 1, kCurrent, "6553.5"),
        Edit("pulse equivalent 1", 1168, {0x00, 0x01, 0x00, 0x00}, 1, kCurrent, "0.001"),
        Edit("time constant 4464", 1010, {0x11, 0x70}, 1, kCurrent, "4464"),
        Edit("threshold 65535 is unsigned", 1053, {0xFF, 0xFF}, 1, kCurrent, "65535"),
        List("flow unit 1, 2", 1047, {0x00, 0x01, 0x00, 0x02}, kCurrent, 5),
        List("flow unit 5, 2", 1047, {0x00, 0x05, 0x00, 0x02}, kCurrent, 17),
        List("flow unit beyond the list", 1047, {0x00, 0x06, 0x00, 0x00}, kCurrent, -1),
        List("totals unit beyond the list", 1049, {0x00, 0x06}, kCurrent, -1),
        List("DN50, current", 1031, {0x00, 0x0D}, kCurrent, 13),
        List("diameter index beyond the list, current", 1031, {0x00, 0x24}, kCurrent, -1),
        List("legacy code 0 is DN3", 1031, {0x00, 0x00}, kLegacy, 2),
        List("legacy code 3 is DN15", 1031, {0x00, 0x03}, kLegacy, 8),
        List("legacy code 30 is DN2000", 1031, {0x00, 0x1E}, kLegacy, 35),
        List("legacy code 31 has no diameter", 1031, {0x00, 0x1F}, kLegacy, -1),
        List("legacy code 65535 has no diameter", 1031, {0xFF, 0xFF}, kLegacy, -1),
        List("baud rate 57600", 1041, {0x00, 0x06}, kCurrent, 6)));

}  // namespace
}  // namespace kelvo
