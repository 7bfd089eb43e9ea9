// SPDX-License-Identifier: GPL-3.0-or-later
// The W58 common page against a simulated W58 meter: what the meter receives for each
// block, mapping, total, clock, command and preset, and what the user reads afterwards.

#include <gtest/gtest.h>

#include <ctime>
#include <ostream>
#include <string>
#include <vector>

#include "page_test_support.h"
#include "pages/w58/w58_pages.h"

namespace kelvo::test {
namespace {

using Texts = std::vector<std::string>;

class W58NormalTest : public W58PageTest {
protected:
    W58NormalTest() : W58PageTest(W58NormalDefinition()) {}
};

std::int64_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local));
}

// ---- the seven blocks ---------------------------------------------------------------

class W58NormalByteOrderTest : public W58NormalTest, public ::testing::WithParamInterface<int> {
protected:
    int ByteOrderMode() const override { return GetParam(); }
};

TEST_P(W58NormalByteOrderTest, DownloadAllSendsTheSevenBlocksParityBeforeAddress) {
    const int mode = GetParam();
    controls_.Choose(1031, 2);  // DN32: DnList index 11
    controls_.Type(1007, "7");
    controls_.Choose(1167, 2);  // 净累积
    controls_.Choose(1117, 2);  // MJ: the meter's code 3
    controls_.Type(1055, "-0.5");
    controls_.Type(1278, "42");
    controls_.Type(1009, "17");
    controls_.Choose(1184, 2);
    controls_.Choose(1191, 2);
    controls_.Choose(1199, 3);
    Press(1129);
    EXPECT_EQ(Messages(), Texts{"下传成功"});
    EXPECT_EQ(HexAll(Sent(7)), HexAll({
                                   WriteFrame(134, Word(3)),
                                   WriteFrame(280, Word(2)),
                                   WriteFrame(139, Pair(70000, mode)),
                                   WriteFrame(147, Joined({Pair(static_cast<std::uint32_t>(-50000), mode), Word(11)})),
                                   WriteFrame(225, {0, 0, 0, 0, 0, 0, 4, 2}),
                                   WriteFrame(203, Joined({Word(2), Word(3)})),
                                   WriteFrame(156, Joined({Word(17), Word(2)})),
                               }));
}

TEST_P(W58NormalByteOrderTest, ReadAllReadsTheSevenBlocksAndShowsThem) {
    const int mode = GetParam();
    Meter().SetBytes(139, Pair(123456, mode));                                     // 12.3456
    Meter().SetBytes(147, Pair(static_cast<std::uint32_t>(-29000), mode));         // −0.29
    Press(1018);
    EXPECT_EQ(Messages(), Texts{"读取成功"});
    EXPECT_EQ(ReadRequestsOf(Sent(7)), (std::vector<ReadRequest>{
                                           {134, 1}, {280, 1}, {139, 2}, {147, 3}, {225, 4}, {156, 2}, {203, 2}}));
    EXPECT_EQ(Text(1007), "12.3456");
    EXPECT_EQ(Text(1055), "-0.29");
    EXPECT_EQ(Selection(1031), 1);  // DN25
    EXPECT_EQ(Text(1278), "12345678");
    EXPECT_EQ(Text(1009), "8");
}

INSTANTIATE_TEST_SUITE_P(EveryByteOrder, W58NormalByteOrderTest, ::testing::Values(0, 1, 2, 3));

TEST_F(W58NormalTest, AReadAllFailingAtBlockFourKeepsWhatCameBefore) {
    Meter().SetReg(134, 4);  // GJ
    Meter().SetReg(280, 2);
    Meter().SetExceptionRange(147, 149);
    Press(1018);
    EXPECT_EQ(Messages(), Texts{"传感器系数&口径读取失败，注意仪表是否支持相关参数读取"});
    EXPECT_EQ(ReadRequestsOf(Sent()).size(), 5U);  // three blocks, then block 4 twice
    EXPECT_EQ(Selection(1117), 3);
    EXPECT_EQ(Selection(1167), 2);
    EXPECT_EQ(Text(1007), "20");
    // sensor factor, diameter, meter number and communication settings as before
    EXPECT_EQ(Text(1055), "0");
    EXPECT_EQ(Selection(1031), 0);
    EXPECT_EQ(Text(1278), "00000000");
    EXPECT_EQ(Text(1009), "0");
}

TEST_F(W58NormalTest, ADownloadFailingAtBlockSixSendsNoAddress) {
    Meter().SetExceptionRange(203, 204);
    Press(1129);
    EXPECT_EQ(Messages(), Texts{"校验方式&字节顺序下传失败，注意参数设置是否超限"});
    const Frames sent = Sent(7);
    EXPECT_EQ(WritesAmong(sent), 7);  // five blocks, then block 6 twice
    EXPECT_EQ(Meter().Reg(156), 8);
}

// ---- diameter and energy unit --------------------------------------------------------

struct MappingCase {
    const char* what;
    int reg;
    std::uint16_t registerValue;  // what the meter holds
    int listId;
    int readButton;
    int shown;                    // the selection after a read
    int writeButton;
    std::uint16_t writtenBack;    // what writing that selection sends
};
void PrintTo(const MappingCase& c, std::ostream* out) { *out << c.what; }

class W58MappingTest : public W58NormalTest, public ::testing::WithParamInterface<MappingCase> {};

TEST_P(W58MappingTest, ReadThenWrittenBackUnchanged) {
    const MappingCase& c = GetParam();
    Meter().SetReg(c.reg, c.registerValue);
    Press(c.readButton);
    EXPECT_EQ(Selection(c.listId), c.shown);
    Press(c.writeButton);
    EXPECT_EQ(Messages(), Texts{"写入成功"});
    EXPECT_EQ(HexAll(Sent(1)), HexAll({WriteFrame(c.reg, Word(c.writtenBack))}));
}

INSTANTIATE_TEST_SUITE_P(
    DiameterAndEnergyUnit, W58MappingTest,
    ::testing::Values(MappingCase{"DN15 shows as DN20", 149, 8, 1031, 1060, 0, 1072, 9},
                      MappingCase{"DN32", 149, 11, 1031, 1060, 2, 1072, 11},
                      MappingCase{"beyond DN32: no selection, written as 8", 149, 12, 1031, 1060, -1, 1072, 8},
                      MappingCase{"MWh", 134, 1, 1117, 1119, 1, 1121, 1},
                      MappingCase{"kJ shows as kWh", 134, 2, 1117, 1119, 0, 1121, 0},
                      MappingCase{"MJ", 134, 3, 1117, 1119, 2, 1121, 3},
                      MappingCase{"GJ", 134, 4, 1117, 1119, 3, 1121, 4},
                      MappingCase{"unknown unit: no selection, written as 65535", 134, 5, 1117, 1119, -1, 1121,
                                  0xFFFF}));

// ---- totals and meter number ---------------------------------------------------------

struct WriteCase {
    const char* what;
    int controlId;
    std::string typed;
    int button;
    Texts messages;
    Frames frames;
};
void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.what; }

class W58WriteTest : public W58NormalTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(W58WriteTest, WritesOrRefusesBeforeOpening) {
    const WriteCase& c = GetParam();
    controls_.Type(c.controlId, c.typed);
    Press(c.button);
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_EQ(HexAll(Sent(c.frames.size())), HexAll(c.frames));
}

const std::string kMeterNumberPrompt = "请输入一个 0 至 99999999 之间的整数。";
const std::string kTotalPrompt = "请输入一个 0 至 2147483647.999 之间的数字。";

INSTANTIATE_TEST_SUITE_P(
    TotalsAndMeterNumber, W58WriteTest,
    ::testing::Values(
        // without the nudge the thousandths would come out as 677
        WriteCase{"forward total", 1069, "12345.678", 1133, {"写入成功"},
                  {WriteFrame(107, Joined({Pair(12345), Pair(678)}))}},
        WriteCase{"cold total", 1058, "0", 1145, {"写入成功"}, {WriteFrame(129, Joined({Pair(0), Pair(0)}))}},
        WriteCase{"total below 0", 1064, "-0.5", 1137, {kTotalPrompt}, {}},
        WriteCase{"total at 2147483648", 1029, "2147483648", 1141, {kTotalPrompt}, {}},
        WriteCase{"meter number", 1278, "42", 1282, {"写入成功"}, {WriteFrame(225, {0, 0, 0, 0, 0, 0, 4, 2})}},
        WriteCase{"meter number above 99999999", 1278, "100000000", 1282, {kMeterNumberPrompt}, {}},
        // the meter number comes before the total in the exchange order: its prompt ends
        // the capture and the total keeps its field (0), which is then written
        WriteCase{"refused meter number before a total write", 1278, "100000000", 1133,
                  {kMeterNumberPrompt, "写入成功"}, {WriteFrame(107, Joined({Pair(0), Pair(0)}))}}));

TEST_F(W58NormalTest, TotalsReadAsWholePartAndThousandths) {
    Meter().SetReg32(107, 7);
    Meter().SetReg32(109, 1500);  // not rejected: 7 + 1.5
    Meter().SetReg32(111, 7);
    Meter().SetReg32(113, 5);
    Press(1131);
    Press(1135);
    EXPECT_EQ(Text(1069), "8.5");
    EXPECT_EQ(Text(1064), "7.005");
    EXPECT_TRUE(Messages().empty());
}

// ---- meter clock ---------------------------------------------------------------------

struct ClockCase {
    const char* what;
    Frame bytes;
    std::int64_t shown;  // both pickers; 0 when the clock check fails
};
void PrintTo(const ClockCase& c, std::ostream* out) { *out << c.what; }

class W58ClockReadTest : public W58NormalTest, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(W58ClockReadTest, ChecksTheMetersClock) {
    const ClockCase& c = GetParam();
    controls_.SetDateTime(1151, 12345);
    Meter().SetBytes(273, c.bytes);
    Press(1147);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(controls_.DateTime(1151), c.shown);
    EXPECT_EQ(controls_.DateTime(1153), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    LeapYearsAndMonthLengths, W58ClockReadTest,
    ::testing::Values(ClockCase{"29 February 2024", {24, 2, 29, 10, 30, 0}, LocalTime(2024, 2, 29, 10, 30, 0)},
                      ClockCase{"31 December 2099", {99, 12, 31, 23, 59, 59}, LocalTime(2099, 12, 31, 23, 59, 59)},
                      ClockCase{"29 February 2023", {23, 2, 29, 10, 30, 0}, 0},
                      ClockCase{"31 April", {24, 4, 31, 0, 0, 0}, 0},
                      ClockCase{"year byte 100", {100, 1, 1, 0, 0, 0}, 0},
                      ClockCase{"hour 24", {24, 1, 1, 24, 0, 0}, 0},
                      ClockCase{"month 0", {24, 0, 1, 0, 0, 0}, 0}));

TEST_F(W58NormalTest, TheClockIsWrittenFromThePickedDateAndTime) {
    controls_.SetDateTime(1151, LocalTime(2031, 3, 5, 22, 0, 0));  // only the date counts
    controls_.SetDateTime(1153, LocalTime(2000, 1, 1, 14, 7, 9));  // only the time counts
    Press(1149);
    EXPECT_EQ(Messages(), Texts{"写入成功"});
    EXPECT_EQ(HexAll(Sent(1)), HexAll({WriteFrame(273, {31, 3, 5, 14, 7, 9})}));
}

TEST_F(W58NormalTest, AFailedClockWriteHasItsOwnText) {
    Meter().SetExceptionRange(273, 275);
    Press(1149);
    EXPECT_EQ(Messages(), Texts{"写入失败，注意设置时间是否异常或超限"});
}

TEST_F(W58NormalTest, SynchronisationSendsTheComputersClockAfterItsQuestion) {
    Press(1066, {false});
    EXPECT_EQ(Messages(), Texts{"请确认是否要同步时间？"});
    EXPECT_TRUE(Sent().empty());

    const std::time_t before = std::time(nullptr);
    Press(1066, {true});
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(Messages(), (Texts{"请确认是否要同步时间？", "时间同步成功"}));
    const Frames sent = Sent(1);
    ASSERT_EQ(sent.size(), 1U);
    const Frame& frame = sent[0];
    ASSERT_EQ(frame.size(), 15U);  // address, 0x10, start, count, byte count, six bytes, CRC
    const std::int64_t sentTime = LocalTime(2000 + frame[7], frame[8], frame[9], frame[10], frame[11], frame[12]);
    EXPECT_GE(sentTime, before);
    EXPECT_LE(sentTime, after);
    EXPECT_EQ(controls_.DateTime(1151), 0);  // the page's pickers are not changed
}

// ---- commands ------------------------------------------------------------------------

struct CommandCase {
    int button;
    std::string question;
    int reg;
    int value;
    std::string success;
};
void PrintTo(const CommandCase& c, std::ostream* out) { *out << c.button; }

class W58CommandTest : public W58NormalTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(W58CommandTest, AsksThenWritesItsValue) {
    const CommandCase& c = GetParam();
    Press(c.button, {false});
    EXPECT_TRUE(Sent().empty());
    Press(c.button, {true});
    EXPECT_EQ(Messages(), (Texts{c.question, c.success}));
    EXPECT_EQ(HexAll(Sent(1)), HexAll({WriteFrame(c.reg, Word(c.value))}));
}

INSTANTIATE_TEST_SUITE_P(
    SevenButtons, W58CommandTest,
    ::testing::Values(CommandCase{1043, "请确认是否清除流量总量？", 152, 1, "流量总量清零成功"},
                      CommandCase{1048, "请确认是否清零能量总量？", 260, 1, "能量总量清零成功"},
                      CommandCase{1045, "请确认阀门是否关闭？", 151, 1, "下传成功"},
                      CommandCase{1050, "请确认是否清除报表？", 261, 1, "清除报表成功"},
                      CommandCase{1052, "请确认是否清除工时？", 262, 1, "清除工时成功"},
                      CommandCase{1053, "请确认是否清除掉电记录？", 262, 2, "清除掉电记录成功"},
                      CommandCase{1054, "请确认是否恢复出厂设置？", 263, 1, "恢复出厂设置成功"}));

TEST_F(W58NormalTest, AFailedCommandSaysSo) {
    Meter().SetExceptionRange(260, 260);
    Press(1048, {true});
    EXPECT_EQ(Messages(), (Texts{"请确认是否清零能量总量？", "能量总量清零失败"}));
}

// ---- presets -------------------------------------------------------------------------

const std::string kPresetTwoQuestion =
    "是否确定下传下列配置参数：\r\n口径= DN40 \r\n流量量程= 12.5000 \r\n流量累积显示= 反向累积 \r\n"
    "能量累积单位= kJ \r\n传感器系数= 0.98765 \r\n表号= 00004242 \r\n通讯地址= 17 \r\n波特率= 4800 \r\n"
    "校验方式= 偶校验 \r\n字节顺序= 4-3 2-1 \r\n";

class W58PresetTest : public W58NormalTest {
protected:
    void SetUp() override {
        W58NormalTest::SetUp();
        PresetStore presets = LoadPresets();
        // Stored codes go out as stored: kJ (2) and DN40 (DnList index 12), beyond the page's list.
        presets.w58[1] = {.DN = 12, .FlowAccuView = 1, .HeatAccuUnit = 2, .SnsrCode = 4242, .FlowScale = 12.5,
                          .SnsrFact = 0.98765, .Addr = 17, .Baudrate = 2, .Parity = 2, .Swap = 3};
        ASSERT_TRUE(SavePresets(presets));
    }
};

TEST_F(W58PresetTest, SendsThePresetsCodesAsStoredAndKeepsThePage) {
    Press(1057, {true});
    EXPECT_EQ(Messages(), (Texts{kPresetTwoQuestion, "下传成功"}));
    EXPECT_EQ(prompter_.PortHeld(), (std::vector<bool>{true, true}));
    EXPECT_EQ(HexAll(Sent(7)), HexAll({
                                   WriteFrame(134, Word(2)),
                                   WriteFrame(280, Word(1)),
                                   WriteFrame(139, Pair(125000)),
                                   WriteFrame(147, Joined({Pair(98765), Word(12)})),
                                   WriteFrame(225, {0, 0, 0, 0, 4, 2, 4, 2}),
                                   WriteFrame(203, Joined({Word(2), Word(3)})),
                                   WriteFrame(156, Joined({Word(17), Word(2)})),
                               }));
    EXPECT_EQ(Text(1007), "0");
    EXPECT_EQ(Text(1009), "0");
}

TEST_F(W58PresetTest, CancelClosesThePortAndSendsNothing) {
    Press(1057, {false});
    EXPECT_EQ(Messages(), Texts{kPresetTwoQuestion});
    EXPECT_EQ(prompter_.PortHeld(), std::vector<bool>{true});
    EXPECT_TRUE(PortIsFree());
    EXPECT_TRUE(Sent().empty());
}

TEST_F(W58PresetTest, AMeterNumberBeyondEightDigitsIsRefusedBeforeTheQuestion) {
    PresetStore presets = LoadPresets();
    presets.w58[4].SnsrCode = 100000000;
    ASSERT_TRUE(SavePresets(presets));
    Press(1062, {true});
    EXPECT_EQ(Messages(), Texts{kMeterNumberPrompt});
    EXPECT_TRUE(PortIsFree());
    EXPECT_TRUE(Sent().empty());
}

// ---- the computer's serial settings stay --------------------------------------------

TEST_F(W58NormalTest, WritingTheMetersOwnLineSettingsLeavesTheStoredOnes) {
    const std::string stored = Settings().ReadIni();
    controls_.Type(1009, "17");
    controls_.Choose(1184, 0);
    controls_.Choose(1191, 1);
    controls_.Choose(1199, 0);
    for (int button : {1181, 1189, 1197, 1203}) Press(button);
    Press(1129);
    EXPECT_EQ(Settings().ReadIni(), stored);
    Press(1060);
    const Frames sent = Sent(1);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0][0], kMeterAddress);  // still the stored address
}

// ---- live view and locking ------------------------------------------------------------

TEST_F(W58NormalTest, LiveValuesFillEveryControl) {
    LiveRecord record;
    record.SetU16(149, 11);
    record.SetU32(139, 70000);
    record.SetU16(280, 1);
    record.SetU16(134, 3);
    record.SetU32(147, static_cast<std::uint32_t>(-50000));
    const std::uint8_t digits[8] = {0, 0, 0, 0, 0, 0, 4, 2};
    std::copy(digits, digits + 8, record.RawMutable(225, 8));
    record.SetU32(107, 12345);
    record.SetU32(109, 678);
    record.SetU32(129, 7);
    record.SetU32(131, 1500);
    const std::uint8_t clock[6] = {31, 3, 5, 14, 7, 9};
    std::copy(clock, clock + 6, record.RawMutable(273, 6));
    record.SetU16(156, 17);
    record.SetU16(204, 3);
    page_->ShowLiveValues(record, 1);
    EXPECT_EQ(Selection(1031), 2);
    EXPECT_EQ(Text(1007), "7");
    EXPECT_EQ(Selection(1167), 1);
    EXPECT_EQ(Selection(1117), 2);
    EXPECT_EQ(Text(1055), "-0.5");
    EXPECT_EQ(Text(1278), "00000042");
    EXPECT_EQ(Text(1069), "12345.678");
    EXPECT_EQ(Text(1058), "8.5");
    EXPECT_EQ(controls_.DateTime(1151), LocalTime(2031, 3, 5, 14, 7, 9));
    EXPECT_EQ(Text(1009), "17");
    EXPECT_EQ(Selection(1199), 3);
}

TEST_F(W58NormalTest, LockingReachesEveryControlAndButton) {
    page_->SetControlsEnabled(false);
    EXPECT_EQ(controls_.EnableCalls().size(), 61U);
    for (const auto& [id, calls] : controls_.EnableCalls()) EXPECT_FALSE(controls_.Enabled(id)) << id;
}

}  // namespace
}  // namespace kelvo::test
