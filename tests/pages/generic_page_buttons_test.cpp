// SPDX-License-Identifier: GPL-3.0-or-later
// The generic page's own buttons beyond its rows: the five preset downloads, auto zero
// and clear totals, and identifications that fail inside the page's transactions.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "page_test_support.h"

namespace kelvo::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kDefaultPresetQuestion =
    "是否确定下传下列配置参数：\r\n口径= DN50 \r\n流量量程= 35.0000 \r\n流量单位= m3/h \r\n累积单位= m3 \r\n"
    "传感器系数= 1.00000";

// ---- preset downloads -----------------------------------------------------------------

TEST_F(GenericPageTest, PresetDownloadCancelledSendsNothingAndKeepsThePage) {
    controls_.Type(1007, "12.5");  // typed, never captured by a preset download
    std::vector<FieldValue> before;
    for (std::size_t row = 0; row < NormalCfgDefinition().rows.size(); ++row) before.push_back(page_->Value(row));
    Press(1026, {false});
    EXPECT_EQ(Messages(), Texts{kDefaultPresetQuestion});
    EXPECT_EQ(HexAll(Sent(1)), HexAll({IdentifyFrame()}));
    for (std::size_t row = 0; row < before.size(); ++row) EXPECT_EQ(page_->Value(row), before[row]) << "row " << row;
    EXPECT_EQ(Text(1007), "12.5");
    EXPECT_EQ(Selection(1031), 0);
}

TEST_F(GenericPageTest, PresetDownloadSendsThePresetAndKeepsThePage) {
    std::vector<FieldValue> before;
    for (std::size_t row = 0; row < NormalCfgDefinition().rows.size(); ++row) before.push_back(page_->Value(row));
    Press(1026, {true});
    EXPECT_EQ(Messages(), (Texts{kDefaultPresetQuestion, "下传成功"}));
    EXPECT_EQ(HexAll(Sent(4)), HexAll({IdentifyFrame(), WriteFrame(115, {0x00, 0x01, 0x00, 0x02, 0x00, 0x01}),
                                       WriteFrame(139, {0x57, 0x30, 0x00, 0x05}),
                                       WriteFrame(147, {0x86, 0xA0, 0x00, 0x01, 0x00, 0x0D})}));
    for (std::size_t row = 0; row < before.size(); ++row) EXPECT_EQ(page_->Value(row), before[row]) << "row " << row;
    EXPECT_EQ(Selection(1031), 0);  // DN1, as before
    EXPECT_EQ(Text(1007), "0");
}

TEST_F(GenericPageTest, StoredPresetToALegacyMeter) {
    PresetStore presets = LoadPresets();
    presets.generic[2] = {.DN = 8, .FlowUnit = 17, .FlowAccuUnit = 0, .FlowScale = 12.5, .ZeroFact = 0.5,
                          .SnsrFact = 0.98765};
    ASSERT_TRUE(SavePresets(presets));
    Identify(kLegacyMeter);
    Press(1059, {true});  // 配置3下传
    EXPECT_EQ(Messages(), (Texts{"是否确定下传下列配置参数：\r\n口径= DN15 \r\n流量量程= 12.5000 \r\n"
                                 "流量单位= Igal/h \r\n累积单位= L \r\n传感器系数= 0.98765",
                                 "下传成功"}));
    EXPECT_EQ(HexAll(Sent(4)), HexAll({IdentifyFrame(), WriteFrame(115, {0x00, 0x05, 0x00, 0x02, 0x00, 0x00}),
                                       WriteFrame(139, {0xE8, 0x48, 0x00, 0x01}),
                                       WriteFrame(147, {0x26, 0x94, 0x00, 0x00, 0x00, 0x03})}));
}

TEST_F(GenericPageTest, PresetButtonsTakeTheirOwnPreset) {
    PresetStore presets = LoadPresets();
    for (int n = 0; n < kPresetCount; ++n) presets.generic[static_cast<std::size_t>(n)].FlowScale = n + 1;
    ASSERT_TRUE(SavePresets(presets));
    const int buttons[] = {1026, 1057, 1059, 1061, 1062};
    for (int n = 0; n < kPresetCount; ++n) {
        Press(buttons[n], {false});
        ASSERT_EQ(Messages().size(), 1U);
        EXPECT_NE(Messages()[0].find("流量量程= " + std::to_string(n + 1) + ".0000 \r\n"), std::string::npos)
            << "button " << buttons[n];
    }
}

// ---- a line without a meter --------------------------------------------------------------

// An RS-485 adapter with local echo and no meter returns every request as it was sent.
TEST_F(GenericPageTest, AnEchoingLineNeverReportsSuccess) {
    Meter().SetEcho(true);
    // A write of each kind of row, download all, both commands, a preset download.
    const int buttons[] = {1072, 1075, 1081, 1014, 1045, 1043, 1026};
    for (const int button : buttons) {
        Press(button, {true, true, true});
        for (const std::string& message : Messages()) {
            EXPECT_EQ(message.find("成功"), std::string::npos) << "button " << button << ": " << message;
        }
        EXPECT_FALSE(Messages().empty()) << "button " << button << " said nothing";
    }
}

// ---- commands -------------------------------------------------------------------------

struct CommandCase {
    int button;
    std::string question;
    int reg;
    std::string success;
    std::string failure;
};
void PrintTo(const CommandCase& c, std::ostream* out) { *out << "button " << c.button; }

class CommandTest : public GenericPageTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandTest, OkWritesOne) {
    const CommandCase& c = GetParam();
    Press(c.button, {true});
    EXPECT_EQ(Messages(), (Texts{c.question, c.success}));
    EXPECT_EQ(HexAll(Sent(1)), HexAll({WriteFrame(c.reg, {0x00, 0x01})}));
}

TEST_P(CommandTest, ARefusedCommandShowsItsFailure) {
    const CommandCase& c = GetParam();
    Meter().SetExceptionRange(c.reg, c.reg);
    Press(c.button, {true});
    EXPECT_EQ(Messages(), (Texts{c.question, c.failure}));
    EXPECT_EQ(HexAll(Sent(2)), HexAll({WriteFrame(c.reg, {0x00, 0x01}), WriteFrame(c.reg, {0x00, 0x01})}));
}

TEST_P(CommandTest, CancelOpensNoPort) {
    const CommandCase& c = GetParam();
    Press(c.button, {false});
    EXPECT_EQ(Messages(), Texts{c.question});
    EXPECT_EQ(prompter_.PortHeld(), std::vector<bool>{false});
    EXPECT_TRUE(Meter().Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(AutoZeroAndClearTotals, CommandTest,
                         ::testing::Values(CommandCase{1045, "请确认阀门是否关闭？", 151, "下传成功", "下传失败"},
                                           CommandCase{1043, "是否确认清零？", 152, "成功清零", "清零失败"}));

TEST_F(GenericPageTest, CancelWithAMissingPortOpensNothing) {
    Settings().WriteIni(ComSetIni(1, "NOPE"));
    Press(1045, {false});
    EXPECT_EQ(Messages(), Texts{"请确认阀门是否关闭？"});
}

// ---- identification failures inside the page's transactions ---------------------------

struct IdentifyFailureCase {
    const char* what;
    int button;
    bool silent;  // no answer at all; otherwise the meter names a model the page does not serve
    std::string text;
    Frames frames;
};
void PrintTo(const IdentifyFailureCase& c, std::ostream* out) { *out << c.what; }

class IdentifyFailureTest : public GenericPageTest, public ::testing::WithParamInterface<IdentifyFailureCase> {};

TEST_P(IdentifyFailureTest, EndsWithItsMessageOnly) {
    const IdentifyFailureCase& c = GetParam();
    Meter().SetReg(149, 13);
    Meter().SetReg32(147, 250000);
    if (c.silent) {
        Meter().SetSilent(true);
    } else {
        Identify(kUnsupportedMeter);
    }
    controls_.Choose(1031, 20);
    controls_.Type(1055, "3");
    // Writes and download all capture the controls first; reads and presets do not.
    const bool captures = c.button == 1072 || c.button == 1114 || c.button == 1014;
    Press(c.button, {true});
    EXPECT_EQ(Messages(), Texts{c.text}) << c.what;
    EXPECT_EQ(HexAll(Sent(c.frames.size())), HexAll(c.frames)) << c.what;
    EXPECT_EQ(Field(1031).integer, captures ? 20 : 0) << c.what;
    EXPECT_EQ(Field(1055).real, captures ? 3.0 : 0.0) << c.what;
    EXPECT_EQ(Selection(1031), 20) << c.what;
    EXPECT_EQ(Text(1055), "3") << c.what;
    EXPECT_TRUE(PortIsFree()) << c.what;
}

const std::string kNoSerialNumber = "读取仪表串号失败！";
const std::string kNotSupported = "不支持该仪表类型！";

INSTANTIATE_TEST_SUITE_P(
    Transactions, IdentifyFailureTest,
    ::testing::Values(
        IdentifyFailureCase{"write diameter, silent", 1072, true, kNoSerialNumber, {IdentifyFrame()}},
        IdentifyFailureCase{"write diameter, RA06", 1072, false, kNotSupported, {IdentifyFrame()}},
        IdentifyFailureCase{"write factor, silent", 1114, true, kNoSerialNumber, {IdentifyFrame()}},
        IdentifyFailureCase{"write factor, RA06", 1114, false, kNotSupported, {IdentifyFrame()}},
        IdentifyFailureCase{"download all, silent", 1014, true, kNoSerialNumber, {IdentifyFrame()}},
        IdentifyFailureCase{"download all, RA06", 1014, false, kNotSupported, {IdentifyFrame()}},
        IdentifyFailureCase{"preset, silent", 1026, true, kNoSerialNumber, {IdentifyFrame()}},
        IdentifyFailureCase{"preset, RA06", 1026, false, kNotSupported, {IdentifyFrame()}},
        IdentifyFailureCase{"read diameter, RA06", 1060, false, kNotSupported, {ReadFrame(149, 1), IdentifyFrame()}},
        IdentifyFailureCase{"read factor, RA06", 1112, false, kNotSupported, {ReadFrame(147, 2), IdentifyFrame()}}));

TEST_F(GenericPageTest, AnEmptyIdentificationEndsARead) {
    Meter().SetReg(149, 13);
    Meter().SetIdentificationBytes({});
    Press(1060);
    EXPECT_EQ(Messages(), Texts{kNoSerialNumber});
    EXPECT_EQ(HexAll(Sent(2)), HexAll({ReadFrame(149, 1), IdentifyFrame()}));
    EXPECT_EQ(Selection(1031), 0);
}

}  // namespace
}  // namespace kelvo::test
