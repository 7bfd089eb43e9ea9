// SPDX-License-Identifier: GPL-3.0-or-later
// Every 读取 and 写入 button of the generic page against the simulated meter: the frames
// the meter receives, byte for byte, and what the user then reads. Then the shapes of
// the transactions: which messages come, and whether the page still holds the port
// while each one is up.

#include <gtest/gtest.h>

#include <ostream>
#include <functional>
#include <string>
#include <vector>

#include "page_test_support.h"

namespace kelvo::test {
namespace {

// A generic meter whose every parameter differs from the page's initial values.
void SetDistinctParameters(sim::MeterSimulator& meter) {
    meter.SetReg(149, 13);  // DN50
    meter.SetReg32(139, 350000);
    meter.SetReg(115, 0);  // L/min
    meter.SetReg(116, 1);
    meter.SetReg(117, 2);
    meter.SetReg32(147, 250000);
    meter.SetReg32(323, static_cast<std::uint32_t>(-15000));
    meter.SetReg(150, 1);
    meter.SetReg(141, 5);
    meter.SetReg(142, 4);
    meter.SetReg(153, 1);
    meter.SetReg(154, 30);
    meter.SetReg(155, 1);
    meter.SetReg(156, 8);
    meter.SetReg(157, 3);
    meter.SetReg(185, 1);
    meter.SetReg32(189, 1500);
}

struct ReadCase {
    int button;
    int controlId;
    Frames frames;
    std::string text;    // edits
    int selection = -2;  // lists
};
void PrintTo(const ReadCase& c, std::ostream* out) { *out << "button " << c.button; }

class SingleReadTest : public GenericPageTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(SingleReadTest, AsksForTheRowAndShowsWhatCame) {
    const ReadCase& c = GetParam();
    SetDistinctParameters(Meter());
    Press(c.button);
    EXPECT_EQ(HexAll(Sent(c.frames.size())), HexAll(c.frames));
    EXPECT_TRUE(Messages().empty()) << "a successful read shows no message";
    if (c.selection != -2) {
        EXPECT_EQ(Selection(c.controlId), c.selection);
    } else {
        EXPECT_EQ(Text(c.controlId), c.text);
    }
    EXPECT_TRUE(PortIsFree());
}

ReadCase EditRead(int button, int id, int reg, int registers, std::string text) {
    return {button, id, {ReadFrame(reg, registers)}, std::move(text)};
}
ReadCase ListRead(int button, int id, int reg, int registers, int selection) {
    return {button, id, {ReadFrame(reg, registers)}, {}, selection};
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, SingleReadTest,
    ::testing::Values(
        // diameter and sensor factor ask the meter for its encoding after a good read
        ReadCase{1060, 1031, {ReadFrame(149, 1), IdentifyFrame()}, {}, 13},
        ReadCase{1112, 1055, {ReadFrame(147, 2), IdentifyFrame()}, "2.5"},
        EditRead(1074, 1007, 139, 2, "35"), ListRead(1076, 1047, 115, 2, 1), ListRead(1078, 1049, 117, 1, 2),
        EditRead(1108, 1056, 323, 2, "-1.5"), ListRead(1080, 1035, 150, 1, 1), EditRead(1082, 1008, 141, 1, "0.5"),
        EditRead(1084, 1010, 142, 1, "4"), ListRead(1086, 1036, 153, 1, 1), EditRead(1090, 1053, 154, 1, "30"),
        ListRead(1094, 1038, 155, 1, 1), EditRead(1098, 1051, 156, 1, "8"), ListRead(1102, 1041, 157, 1, 3),
        ListRead(1172, 1159, 185, 1, 1), EditRead(1202, 1168, 189, 2, "1.5")));

struct WriteCase {
    int button;
    int controlId;
    std::string typed;   // edits
    int chosen;          // lists
    Frames frames;
};
void PrintTo(const WriteCase& c, std::ostream* out) { *out << "button " << c.button; }

class SingleWriteTest : public GenericPageTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(SingleWriteTest, SendsTheRow) {
    const WriteCase& c = GetParam();
    if (c.typed.empty()) {
        controls_.Choose(c.controlId, c.chosen);
    } else {
        controls_.Type(c.controlId, c.typed);
    }
    Press(c.button);
    EXPECT_EQ(HexAll(Sent(c.frames.size())), HexAll(c.frames));
    EXPECT_EQ(Messages(), std::vector<std::string>{"写入成功"});
    EXPECT_TRUE(PortIsFree());
}

WriteCase Typed(int button, int id, std::string typed, int reg, Frame data) {
    return {button, id, std::move(typed), 0, {WriteFrame(reg, data)}};
}
WriteCase Chosen(int button, int id, int index, int reg, Frame data) {
    return {button, id, {}, index, {WriteFrame(reg, data)}};
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, SingleWriteTest,
    ::testing::Values(
        WriteCase{1072, 1031, {}, 13, {IdentifyFrame(), WriteFrame(149, {0x00, 0x0D})}},
        WriteCase{1114, 1055, "2.5", 0, {IdentifyFrame(), WriteFrame(147, {0xD0, 0x90, 0x00, 0x03})}},
        Typed(1075, 1007, "12.5", 139, {0xE8, 0x48, 0x00, 0x01}),
        Chosen(1077, 1047, 17, 115, {0x00, 0x05, 0x00, 0x02}),
        Chosen(1079, 1049, 3, 117, {0x00, 0x03}),
        Typed(1110, 1056, "-1.5", 323, {0xC5, 0x68, 0xFF, 0xFF}),
        Chosen(1081, 1035, 1, 150, {0x00, 0x01}),
        Typed(1083, 1008, "4.2", 141, {0x00, 0x2A}),
        Typed(1085, 1010, " 7 ", 142, {0x00, 0x07}),
        Chosen(1088, 1036, 1, 153, {0x00, 0x01}),
        Typed(1092, 1053, "300", 154, {0x01, 0x2C}),
        Chosen(1096, 1038, 1, 155, {0x00, 0x01}),
        Typed(1100, 1051, "247", 156, {0x00, 0xF7}),
        Chosen(1104, 1041, 6, 157, {0x00, 0x06}),
        Chosen(1174, 1159, 1, 185, {0x00, 0x01}),
        Typed(1204, 1168, "1.005", 189, {0x03, 0xED, 0x00, 0x00})));

TEST_F(GenericPageTest, WrittenValuesReachTheMetersRegisters) {
    controls_.Type(1007, "12.5");
    Press(1075);
    controls_.Choose(1047, 17);
    Press(1077);
    EXPECT_EQ(Meter().Reg32(139), 125000U);
    EXPECT_EQ(Meter().Reg(115), 5);
    EXPECT_EQ(Meter().Reg(116), 2);
}

// The transaction shapes: the messages in order, and for each whether the page's link
// still held the port while it was up. Only a failed single read lets go first.
struct ShapeCase {
    const char* what;
    std::function<void(sim::MeterSimulator&, FakeControls&)> arrange;
    int button;
    std::vector<bool> answers;
    std::vector<std::string> messages;
    std::vector<bool> portHeld;
};
void PrintTo(const ShapeCase& c, std::ostream* out) { *out << c.what; }

class TransactionShapeTest : public GenericPageTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(TransactionShapeTest, MessagesAndThePort) {
    const ShapeCase& c = GetParam();
    if (c.arrange) c.arrange(Meter(), controls_);
    Meter().ClearRequests();
    prompter_.Reset();
    for (bool answer : c.answers) prompter_.QueueAnswers({answer});
    ASSERT_TRUE(RunButton(c.button));
    EXPECT_EQ(Messages(), c.messages) << c.what;
    EXPECT_EQ(prompter_.PortHeld(), c.portHeld) << c.what;
    EXPECT_TRUE(PortIsFree()) << c.what << ": every transaction closes the port before it returns";
}

const auto kSilent = [](sim::MeterSimulator& meter, FakeControls&) { meter.SetSilent(true); };
auto Refusing(int first, int last) {
    return [first, last](sim::MeterSimulator& meter, FakeControls&) {
        meter.SetExceptionRange(first, last);
    };
}
const auto kLegacyDn8 = [](sim::MeterSimulator& meter, FakeControls& controls) {
    meter.SetIdentification(kLegacyMeter.model, kLegacyMeter.version);
    controls.Choose(1031, 6);
};
const std::string kGenericWriteFail = "写入失败，注意仪表是否支持该参数下传设置";

INSTANTIATE_TEST_SUITE_P(
    Shapes, TransactionShapeTest,
    ::testing::Values(
        ShapeCase{"successful single read", {}, 1074, {}, {}, {}},
        ShapeCase{"single read, no answer", kSilent, 1074, {}, {"读取失败"}, {false}},
        ShapeCase{"single read, exception answer", Refusing(139, 140), 1074, {}, {"读取失败"}, {false}},
        ShapeCase{"single write", {}, 1075, {}, {"写入成功"}, {true}},
        ShapeCase{"single write, exception answer", Refusing(139, 140), 1075, {}, {kGenericWriteFail}, {true}},
        ShapeCase{"single write, no answer", kSilent, 1085, {}, {kGenericWriteFail}, {true}},
        ShapeCase{"legacy meter refuses DN8", kLegacyDn8, 1072, {}, {"当前仪表设备不支持 DN8"}, {true}},
        ShapeCase{"identification fails", kSilent, 1072, {}, {"读取仪表串号失败！"}, {true}},
        ShapeCase{"download all", {}, 1014, {}, {"下传成功"}, {true}},
        ShapeCase{"download all, first block refused", Refusing(115, 117), 1014, {},
                  {"单位下传失败，注意仪表是否支持相关参数下传"}, {true}},
        ShapeCase{"command", {}, 1045, {true}, {"请确认阀门是否关闭？", "下传成功"}, {false, true}},
        ShapeCase{"command refused", Refusing(151, 151), 1045, {true}, {"请确认阀门是否关闭？", "下传失败"},
                  {false, true}},
        ShapeCase{"command cancelled", {}, 1043, {false}, {"是否确认清零？"}, {false}},
        ShapeCase{"preset download",
                  {},
                  1026,
                  {true},
                  {"是否确定下传下列配置参数：\r\n口径= DN50 \r\n流量量程= 35.0000 \r\n流量单位= m3/h \r\n"
                   "累积单位= m3 \r\n传感器系数= 1.00000",
                   "下传成功"},
                  {true, true}},
        ShapeCase{"preset download cancelled",
                  {},
                  1057,
                  {false},
                  {"是否确定下传下列配置参数：\r\n口径= DN50 \r\n流量量程= 35.0000 \r\n流量单位= m3/h \r\n"
                   "累积单位= m3 \r\n传感器系数= 1.00000"},
                  {true}}));

// A port that cannot be opened: the one message, nothing reaches the meter, and the
// page's fields and controls stay as they were.
struct OpenFailureCase {
    const char* what;
    int button;
    std::vector<bool> answers;
    std::vector<std::string> messages;
};
void PrintTo(const OpenFailureCase& c, std::ostream* out) { *out << c.what; }

class OpenFailureTest : public GenericPageTest, public ::testing::WithParamInterface<OpenFailureCase> {};

TEST_P(OpenFailureTest, MissingPort) {
    const OpenFailureCase& c = GetParam();
    Settings().WriteIni(ComSetIni(1, "NOPE"));
    controls_.Type(1007, "12.5");
    const std::vector<FieldValue> before = {Field(1031), Field(1007), Field(1047), Field(1055)};
    Meter().ClearRequests();
    prompter_.Reset();
    for (bool answer : c.answers) prompter_.QueueAnswers({answer});
    ASSERT_TRUE(RunButton(c.button));
    EXPECT_EQ(Messages(), c.messages) << c.what;
    EXPECT_TRUE(Meter().Requests().empty()) << c.what;
    EXPECT_EQ(Text(1007), "12.5") << c.what;
    EXPECT_EQ(Field(1031), before[0]) << c.what;
    EXPECT_EQ(Field(1047), before[2]) << c.what;
    EXPECT_EQ(Field(1055), before[3]) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    EveryShape, OpenFailureTest,
    ::testing::Values(OpenFailureCase{"single read", 1060, {}, {"打开串口失败！"}},
                      OpenFailureCase{"single write", 1072, {}, {"打开串口失败！"}},
                      OpenFailureCase{"download all", 1014, {}, {"打开串口失败！"}},
                      OpenFailureCase{"command", 1043, {true}, {"是否确认清零？", "打开串口失败！"}},
                      OpenFailureCase{"preset download", 1061, {}, {"打开串口失败！"}}));

TEST_F(GenericPageTest, APortHeldByAnotherLinkCannotBeOpened) {
    CDMRJly other;
    ASSERT_TRUE(other.OpenPort(LoadSerialSettings()));
    Press(1074);
    EXPECT_EQ(Messages(), std::vector<std::string>{"打开串口失败！"});
    EXPECT_TRUE(Meter().Requests().empty());
    other.ClosePort();
}

TEST_F(GenericPageTest, AFailedReadLeavesFieldAndControl) {
    Press(1074);
    ASSERT_EQ(Text(1007), "35");
    controls_.Type(1007, "7");  // typed, not written
    Meter().SetSilent(true);
    Press(1074);
    EXPECT_EQ(Messages(), std::vector<std::string>{"读取失败"});
    EXPECT_EQ(Text(1007), "7");
    EXPECT_EQ(Field(1007).real, 35.0);
}

TEST_F(GenericPageTest, AnIdentificationOfTheWrongKindShowsItsTextOnly) {
    // The read of the diameter itself is good; the meter then names a model this page
    // does not serve, so the read ends without touching the field.
    Meter().SetReg(149, 13);
    Identify(kUnsupportedMeter);
    Press(1060);
    EXPECT_EQ(HexAll(Sent(2)), HexAll({ReadFrame(149, 1), IdentifyFrame()}));
    EXPECT_EQ(Messages(), std::vector<std::string>{"不支持该仪表类型！"});
    EXPECT_EQ(Selection(1031), 0);
    EXPECT_EQ(Field(1031).integer, 0);
}

}  // namespace
}  // namespace kelvo::test
