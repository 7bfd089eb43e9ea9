// SPDX-License-Identifier: GPL-3.0-or-later
// What is special about the generic page: captures that fail, values refused before
// the port opens, the "0" → "0.0" step, the meter's parameter encoding (diameter codes,
// sensor factor scale) and download all.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "page_test_support.h"

namespace kelvo::test {
namespace {

using Texts = std::vector<std::string>;

// ---- capture -----------------------------------------------------------------------

TEST_F(GenericPageTest, AnUnreadableNumberIsPromptedAndThePreviousValueWritten) {
    Press(1074);  // the field holds 35 from the meter
    controls_.Type(1007, "abc");
    Press(1075);
    EXPECT_EQ(Messages(), (Texts{"请输入一个数字。", "写入成功"}));
    EXPECT_EQ(HexAll(Sent(1)), HexAll({WriteFrame(139, {0x57, 0x30, 0x00, 0x05})}));
}

TEST_F(GenericPageTest, AnUnreadableIntegerIsPromptedAndThePreviousValueWritten) {
    controls_.Type(1010, "4.5");
    Press(1085);
    EXPECT_EQ(Messages(), (Texts{"请输入一个整数。", "写入成功"}));
    EXPECT_EQ(HexAll(Sent(1)), HexAll({WriteFrame(142, {0x00, 0x00})}));
}

TEST_F(GenericPageTest, ControlsAfterAnUnreadableOneKeepTheirFields) {
    // 1007 comes before 1055 in the exchange order: the typed 2.5 is never captured.
    controls_.Type(1007, "abc");
    controls_.Type(1055, "2.5");
    Press(1114);
    EXPECT_EQ(Messages(), (Texts{"请输入一个数字。", "写入成功"}));
    EXPECT_EQ(HexAll(Sent(2)), HexAll({IdentifyFrame(), WriteFrame(147, {0x00, 0x00, 0x00, 0x00})}));
}

TEST_F(GenericPageTest, ControlsBeforeAnUnreadableOneAreCaptured) {
    controls_.Type(1007, "12.5");
    controls_.Type(1010, "x");
    Press(1075);
    EXPECT_EQ(Messages(), (Texts{"请输入一个整数。", "写入成功"}));
    EXPECT_EQ(HexAll(Sent(1)), HexAll({WriteFrame(139, {0xE8, 0x48, 0x00, 0x01})}));
}

// ---- the values a page refuses before it opens the port ------------------------------

struct RefusedCase {
    const char* what;
    int controlId;
    std::string typed;
    int button;
    Texts messages;
    Frames frames;  // only the identification, where the encoding decides the bound
};
void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.what; }

class RefusedValueTest : public GenericPageTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedValueTest, NothingIsWritten) {
    const RefusedCase& c = GetParam();
    controls_.Type(c.controlId, c.typed);
    Press(c.button);
    EXPECT_EQ(Messages(), c.messages) << c.what;
    EXPECT_EQ(HexAll(Sent(c.frames.size())), HexAll(c.frames)) << c.what;
    EXPECT_TRUE(PortIsFree());
}

const std::string kZeroCorrectionPrompt = "请输入一个 -214748.3648 至 214748.3647 之间的数字。";
const std::string kCurrentFactorPrompt = "请输入一个 -21474.83648 至 21474.83647 之间的数字。";

INSTANTIATE_TEST_SUITE_P(
    BeyondS32, RefusedValueTest,
    ::testing::Values(
        RefusedCase{"zero correction one step above", 1056, "214748.3648", 1110, {kZeroCorrectionPrompt}, {}},
        RefusedCase{"zero correction one step below", 1056, "-214748.3649", 1110, {kZeroCorrectionPrompt}, {}},
        RefusedCase{"zero correction beyond every integer", 1056, "1e300", 1110, {kZeroCorrectionPrompt}, {}},
        RefusedCase{"sensor factor on a current meter", 1055, "30000", 1114, {kCurrentFactorPrompt},
                    {IdentifyFrame()}},
        RefusedCase{"sensor factor beyond every integer", 1055, "-1e300", 1114, {kCurrentFactorPrompt},
                    {IdentifyFrame()}},
        RefusedCase{"sensor factor in download all", 1055, "30000", 1014, {kCurrentFactorPrompt},
                    {IdentifyFrame()}}));

// ---- "0" becomes "0.0" ----------------------------------------------------------------

class ZeroTextTest : public GenericPageTest, public ::testing::WithParamInterface<int> {};

TEST_P(ZeroTextTest, EveryWriteButtonTurnsZeroIntoZeroPointZero) {
    Settings().WriteIni(ComSetIni(1, "NOPE"));  // the step comes before the port is opened
    controls_.Type(1007, "0");
    controls_.Type(1055, "0");
    controls_.Type(1056, "00");
    controls_.Type(1168, "0");  // not one of the page's zero-text edits
    Press(GetParam());
    EXPECT_EQ(Text(1007), "0.0");
    EXPECT_EQ(Text(1055), "0.0");
    EXPECT_EQ(Text(1056), "00");
    EXPECT_EQ(Text(1168), "0");
}

INSTANTIATE_TEST_SUITE_P(WriteButtons, ZeroTextTest,
                         ::testing::Values(1072, 1075, 1077, 1079, 1114, 1110, 1081, 1083, 1085, 1088, 1092, 1096,
                                           1100, 1104, 1174, 1204, 1014));

TEST_F(GenericPageTest, ReadButtonsLeaveZeroAsItIs) {
    Settings().WriteIni(ComSetIni(1, "NOPE"));
    controls_.Type(1007, "0");
    Press(1074);
    Press(1060);
    EXPECT_EQ(Text(1007), "0");
}

TEST_F(GenericPageTest, ZeroPointZeroIsWrittenAsZero) {
    controls_.Type(1007, "0");
    Press(1075);
    EXPECT_EQ(Text(1007), "0.0");
    EXPECT_EQ(HexAll(Sent(1)), HexAll({WriteFrame(139, {0x00, 0x00, 0x00, 0x00})}));
}

// ---- the meter's parameter encoding ---------------------------------------------------

TEST_F(GenericPageTest, LegacyDiameterCodeThreeIsDn15) {
    Identify(kLegacyMeter);
    Meter().SetReg(149, 3);
    Press(1060);
    EXPECT_EQ(HexAll(Sent(2)), HexAll({ReadFrame(149, 1), IdentifyFrame()}));
    EXPECT_EQ(Selection(1031), 8);  // DN15
    EXPECT_EQ(page_->ParamEncoding(), 0);
}

TEST_F(GenericPageTest, LegacyMeterHasNoDn8) {
    Identify(kLegacyMeter);
    controls_.Choose(1031, 6);  // DN8
    Press(1072);
    EXPECT_EQ(Messages(), Texts{"当前仪表设备不支持 DN8"});
    EXPECT_EQ(HexAll(Sent(1)), HexAll({IdentifyFrame()}));
    EXPECT_EQ(WritesAmong(Meter().Requests()), 0);
}

TEST_F(GenericPageTest, LegacyMeterGetsTheCodeOfItsDiameter) {
    Identify(kLegacyMeter);
    controls_.Choose(1031, 8);  // DN15
    Press(1072);
    EXPECT_EQ(Messages(), Texts{"写入成功"});
    EXPECT_EQ(HexAll(Sent(2)), HexAll({IdentifyFrame(), WriteFrame(149, {0x00, 0x03})}));
}

TEST_F(GenericPageTest, CurrentMeterGetsTheListIndex) {
    controls_.Choose(1031, 6);  // DN8
    Press(1072);
    EXPECT_EQ(HexAll(Sent(2)), HexAll({IdentifyFrame(), WriteFrame(149, {0x00, 0x06})}));
}

struct FactorCase {
    MeterModel meter;
    std::string shown;
};
void PrintTo(const FactorCase& c, std::ostream* out) { *out << c.meter.model << "/" << c.meter.version; }

class SensorFactorTest : public GenericPageTest, public ::testing::WithParamInterface<FactorCase> {};

TEST_P(SensorFactorTest, PairOf100000) {
    Identify(GetParam().meter);
    Meter().SetReg32(147, 100000);
    Press(1112);
    EXPECT_EQ(Text(1055), GetParam().shown);
    EXPECT_TRUE(Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Encodings, SensorFactorTest,
                         ::testing::Values(FactorCase{kCurrentMeter, "1"}, FactorCase{kLegacyMeter, "10"}));

TEST_F(GenericPageTest, LegacySensorFactorIsWrittenWithFourDecimals) {
    Identify(kLegacyMeter);
    controls_.Type(1055, "1");
    Press(1114);
    EXPECT_EQ(HexAll(Sent(2)), HexAll({IdentifyFrame(), WriteFrame(147, {0x27, 0x10, 0x00, 0x00})}));
}

TEST_F(GenericPageTest, FlowUnitRegistersOneAndTwoSelectCubicMetresPerHour) {
    Meter().SetReg(115, 0);
    Meter().SetReg(116, 0);
    Press(1076);
    ASSERT_EQ(Selection(1047), 0);
    Meter().SetReg(115, 1);
    Meter().SetReg(116, 2);
    Press(1076);
    EXPECT_EQ(HexAll(Sent(1)), HexAll({ReadFrame(115, 2)}));
    EXPECT_EQ(Selection(1047), 5);
}

// ---- download all ---------------------------------------------------------------------

void ChooseDn50Setup(FakeControls& controls) {
    controls.Choose(1031, 13);
    controls.Type(1007, "35");
    controls.Choose(1047, 5);
    controls.Choose(1049, 1);
    controls.Type(1055, "1");
}

struct DownloadCase {
    int byteOrderMode;
    Frames frames;
};
void PrintTo(const DownloadCase& c, std::ostream* out) { *out << "mode " << c.byteOrderMode; }

class DownloadAllTest : public GenericPageTest, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(DownloadAllTest, IdentifiesThenSendsThreeBlocks) {
    Settings().WriteIni(ComSetIni(GetParam().byteOrderMode));
    ChooseDn50Setup(controls_);
    Press(1014);
    EXPECT_EQ(HexAll(Sent(GetParam().frames.size())), HexAll(GetParam().frames));
    EXPECT_EQ(Messages(), Texts{"下传成功"});
}

INSTANTIATE_TEST_SUITE_P(
    ByteOrders, DownloadAllTest,
    ::testing::Values(DownloadCase{1,
                                   {IdentifyFrame(), WriteFrame(115, {0x00, 0x01, 0x00, 0x02, 0x00, 0x01}),
                                    WriteFrame(139, {0x57, 0x30, 0x00, 0x05}),
                                    WriteFrame(147, {0x86, 0xA0, 0x00, 0x01, 0x00, 0x0D})}},
                      DownloadCase{2,
                                   {IdentifyFrame(), WriteFrame(115, {0x00, 0x01, 0x00, 0x02, 0x00, 0x01}),
                                    WriteFrame(139, {0x05, 0x00, 0x30, 0x57}),
                                    WriteFrame(147, {0x01, 0x00, 0xA0, 0x86, 0x00, 0x0D})}}));

TEST_F(GenericPageTest, DownloadAllToALegacyMeter) {
    Identify(kLegacyMeter);
    ChooseDn50Setup(controls_);
    Press(1014);
    EXPECT_EQ(Messages(), Texts{"下传成功"});
    EXPECT_EQ(HexAll(Sent(4)), HexAll({IdentifyFrame(), WriteFrame(115, {0x00, 0x01, 0x00, 0x02, 0x00, 0x01}),
                                       WriteFrame(139, {0x57, 0x30, 0x00, 0x05}),
                                       WriteFrame(147, {0x27, 0x10, 0x00, 0x00, 0x00, 0x08})}));
}

TEST_F(GenericPageTest, DownloadAllWithDn1ToALegacyMeterSendsNoBlock) {
    Identify(kLegacyMeter);
    Press(1014);  // the page starts with DN1
    EXPECT_EQ(Messages(), Texts{"当前仪表设备不支持 DN1"});
    EXPECT_EQ(HexAll(Sent(1)), HexAll({IdentifyFrame()}));
}

struct BlockFailureCase {
    int first;
    int last;
    std::string text;
    std::size_t blocksBefore;  // blocks written before the failing one
};
void PrintTo(const BlockFailureCase& c, std::ostream* out) { *out << "registers " << c.first << ".." << c.last; }

class DownloadBlockFailureTest : public GenericPageTest, public ::testing::WithParamInterface<BlockFailureCase> {};

TEST_P(DownloadBlockFailureTest, StopsAtTheBlockWithItsText) {
    const BlockFailureCase& c = GetParam();
    ChooseDn50Setup(controls_);
    Meter().SetExceptionRange(c.first, c.last);
    Press(1014);
    EXPECT_EQ(Messages(), Texts{c.text});
    const Frames blocks = {WriteFrame(115, {0x00, 0x01, 0x00, 0x02, 0x00, 0x01}),
                           WriteFrame(139, {0x57, 0x30, 0x00, 0x05}),
                           WriteFrame(147, {0x86, 0xA0, 0x00, 0x01, 0x00, 0x0D})};
    Frames expected = {IdentifyFrame()};
    expected.insert(expected.end(), blocks.begin(), blocks.begin() + static_cast<std::ptrdiff_t>(c.blocksBefore));
    expected.push_back(blocks[c.blocksBefore]);  // the failing block, tried twice
    expected.push_back(blocks[c.blocksBefore]);
    EXPECT_EQ(HexAll(Sent(expected.size())), HexAll(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, DownloadBlockFailureTest,
    ::testing::Values(BlockFailureCase{115, 117, "单位下传失败，注意仪表是否支持相关参数下传", 0},
                      BlockFailureCase{139, 140, "流量量程下传失败，注意参数设置是否超限", 1},
                      BlockFailureCase{147, 149, "传感器系数&口径下传失败，注意参数设置是否超限", 2}));

}  // namespace
}  // namespace kelvo::test
