// SPDX-License-Identifier: GPL-3.0-or-later
// The texts a value field shows in its control, and which typed texts count as numbers.

#include <gtest/gtest.h>

#include <ostream>
#include <clocale>
#include <optional>
#include <string>

#include "fake_controls.h"
#include "pages/normal_cfg_page.h"
#include "meter/value_text.h"
#include "support/scripted_prompter.h"

namespace kelvo {
namespace {

struct ShownCase {
    const char* what;
    int controlId;
    FieldValue value;
    std::string text;
};
void PrintTo(const ShownCase& c, std::ostream* out) { *out << c.what; }

class ShownTextTest : public ::testing::TestWithParam<ShownCase> {};

TEST_P(ShownTextTest, ControlShows) {
    const ShownCase& c = GetParam();
    test::FakeControls controls(NormalCfgDefinition());
    test::ScriptedPrompter prompter;
    CNormalCfgPage page(controls, prompter);
    page.SetValue(*page.RowOfControl(c.controlId), c.value);
    page.ShowValues();
    EXPECT_EQ(controls.Text(c.controlId), c.text) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    GeneralForm, ShownTextTest,
    ::testing::Values(ShownCase{"whole number", 1007, {.real = 35}, "35"},
                      ShownCase{"a half", 1007, {.real = 0.5}, "0.5"},
                      ShownCase{"small value in exponent form", 1007, {.real = 0.00001}, "1e-05"},
                      ShownCase{"zero", 1007, {.real = 0}, "0"},
                      ShownCase{"negative", 1056, {.real = -1.5}, "-1.5"},
                      ShownCase{"binary noise stays hidden at 15 digits", 1007, {.real = 0.1 + 0.2}, "0.3"},
                      ShownCase{"15 significant digits", 1168, {.real = 123456789.123456789}, "123456789.123457"},
                      ShownCase{"large value in exponent form", 1055, {.real = 1e20}, "1e+20"},
                      ShownCase{"single precision: 6 digits", 1008, {.real = 1234.567}, "1234.57"},
                      ShownCase{"single precision 0.1", 1008, {.real = static_cast<float>(0.1)}, "0.1"},
                      ShownCase{"single precision 4.2", 1008, {.real = static_cast<float>(4.2)}, "4.2"},
                      ShownCase{"integer", 1010, {.integer = 4}, "4"},
                      ShownCase{"negative integer", 1051, {.integer = -5}, "-5"},
                      ShownCase{"frequency upper limit", 1163, {.real = 2000}, "2000"}));

TEST(ShownTextTest, TheLocaleDoesNotChangeThePoint) {
    // The GUI runs in the user's locale; a German one writes 0,5 with printf.
    const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(FormatGeneral(0.5, 15), "0.5");
    EXPECT_EQ(ParseDecimal("0.5"), 0.5);
    EXPECT_EQ(ParseDecimal("0,5"), std::nullopt);
    if (german != nullptr) std::setlocale(LC_NUMERIC, "C");
}

TEST(FormatFixedTest, PadsToTheDecimals) {
    EXPECT_EQ(FormatFixed(35, 4), "35.0000");
    EXPECT_EQ(FormatFixed(1, 5), "1.00000");
    EXPECT_EQ(FormatFixed(0.123456, 5), "0.12346");
    EXPECT_EQ(FormatFixed(-2.5, 4), "-2.5000");
}

TEST(FormatMeterNumberTest, EightDigits) {
    EXPECT_EQ(FormatMeterNumber(0), "00000000");
    EXPECT_EQ(FormatMeterNumber(1234), "00001234");
    EXPECT_EQ(FormatMeterNumber(99999999), "99999999");
}

struct DecimalCase {
    const char* typed;
    std::optional<double> value;
};
void PrintTo(const DecimalCase& c, std::ostream* out) { *out << '"' << c.typed << '"'; }

class ParseDecimalTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(ParseDecimalTest, Reads) {
    EXPECT_EQ(ParseDecimal(GetParam().typed), GetParam().value) << '"' << GetParam().typed << '"';
}

INSTANTIATE_TEST_SUITE_P(
    TypedTexts, ParseDecimalTest,
    ::testing::Values(DecimalCase{"35", 35.0}, DecimalCase{"  12.5\t", 12.5}, DecimalCase{"-1.5", -1.5},
                      DecimalCase{"+2", 2.0}, DecimalCase{"1e3", 1000.0}, DecimalCase{"1E-3", 0.001},
                      DecimalCase{".5", 0.5}, DecimalCase{"-.5", -0.5}, DecimalCase{"0", 0.0},
                      DecimalCase{"", std::nullopt}, DecimalCase{"   ", std::nullopt}, DecimalCase{"abc", std::nullopt},
                      DecimalCase{"inf", std::nullopt}, DecimalCase{"-inf", std::nullopt},
                      DecimalCase{"nan", std::nullopt}, DecimalCase{"infinity", std::nullopt},
                      DecimalCase{"1,5", std::nullopt}, DecimalCase{"1.5.2", std::nullopt},
                      DecimalCase{"12abc", std::nullopt}, DecimalCase{"+-5", std::nullopt},
                      DecimalCase{"--5", std::nullopt}, DecimalCase{"- 5", std::nullopt},
                      DecimalCase{"0x10", std::nullopt}, DecimalCase{"1e", std::nullopt},
                      DecimalCase{"1e999", std::nullopt}));

struct IntegerCase {
    const char* typed;
    std::optional<long long> value;
};
void PrintTo(const IntegerCase& c, std::ostream* out) { *out << '"' << c.typed << '"'; }

class ParseIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ParseIntegerTest, Reads) {
    EXPECT_EQ(ParseInteger(GetParam().typed), GetParam().value) << '"' << GetParam().typed << '"';
}

INSTANTIATE_TEST_SUITE_P(
    TypedTexts, ParseIntegerTest,
    ::testing::Values(IntegerCase{"4", 4}, IntegerCase{" 8 ", 8}, IntegerCase{"-5", -5}, IntegerCase{"+7", 7},
                      IntegerCase{"2147483647", 2147483647}, IntegerCase{"-2147483648", -2147483648LL},
                      IntegerCase{"2147483648", std::nullopt}, IntegerCase{"", std::nullopt},
                      IntegerCase{"abc", std::nullopt}, IntegerCase{"1.0", std::nullopt},
                      IntegerCase{"1e3", std::nullopt}, IntegerCase{"1,5", std::nullopt},
                      IntegerCase{"+-1", std::nullopt}, IntegerCase{"0x10", std::nullopt}));

}  // namespace
}  // namespace kelvo
