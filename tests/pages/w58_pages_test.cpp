// SPDX-License-Identifier: GPL-3.0-or-later
// The five W58 pages that are nothing but their tables — flow, pulse, alarm, sensor,
// heat — against a simulated W58 meter: what a download all sends group by group, what
// a read all that fails halfway leaves, and the conversions that would catch a real
// fault (truncation after the nudge, the low 16 bits, pairs read back unsigned or
// signed, registers outside a list).

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "page_test_support.h"
#include "pages/w58/w58_pages.h"

namespace kelvo::test {
namespace {

using Texts = std::vector<std::string>;
using DefinitionOf = const PageDefinition& (*)();
// What the user enters: a text into an edit, or a list index (−1: no selection) as text.
using Entries = std::vector<std::pair<int, std::string>>;

constexpr std::uint32_t Negative(std::int32_t value) { return static_cast<std::uint32_t>(value); }

// A W58 page chosen by the test's parameter.
template <class Case>
class W58TableTest : public W58PageTest, public ::testing::WithParamInterface<Case> {
protected:
    W58TableTest() : W58PageTest(::testing::WithParamInterface<Case>::GetParam().page()) {}

    bool IsList(int id) const {
        return page_->Definition().rows[*page_->RowOfControl(id)].control == Control::List;
    }
    void Enter(const Entries& entries) {
        for (const auto& [id, text] : entries) {
            if (IsList(id)) {
                controls_.Choose(id, std::stoi(text));
            } else {
                controls_.Type(id, text);
            }
        }
    }
    // What the control shows: its text, or its selection as a number.
    std::string Shown(int id) const { return IsList(id) ? std::to_string(Selection(id)) : Text(id); }
};

// ---- download all: every group, in order, laid out in register order -----------------

struct DownloadCase {
    const char* page_name;
    DefinitionOf page;
    Entries entered;
    Frames frames;
};
void PrintTo(const DownloadCase& c, std::ostream* out) { *out << c.page_name; }

using W58DownloadAllTest = W58TableTest<DownloadCase>;

TEST_P(W58DownloadAllTest, SendsEveryGroupInOrder) {
    const DownloadCase& c = GetParam();
    Enter(c.entered);
    Press(page_->Definition().downloadAllButton);
    EXPECT_EQ(Messages(), Texts{"下传成功"});
    EXPECT_EQ(HexAll(Sent(c.frames.size())), HexAll(c.frames));
}

INSTANTIATE_TEST_SUITE_P(
    FivePages, W58DownloadAllTest,
    ::testing::Values(
        // 179 lies between the 42-byte group and 180: it is never written.
        DownloadCase{"flow", &W58FlowDefinition,
                     {{1007, "7"}, {1155, "4"}, {1035, "1"}, {1115, "1"}, {1017, "1.0001"}, {1154, "1"},
                      {1037, "2"}, {1012, "2"}, {1044, "0.5"}, {1046, "3"}, {1013, "10"}, {1011, "0.25"},
                      {1167, "2"}, {1008, "0.05"}},
                     {WriteFrame(139, Pair(70000)), WriteFrame(142, Word(4)), WriteFrame(150, Word(1)),
                      WriteFrame(158, Joined({Word(1), Pair(0), Pair(10001), Pair(0), Pair(0), Pair(0), Pair(0),
                                              Pair(0), Pair(0), Pair(1000), Word(2), Word(0)})),
                      WriteFrame(180, Word(2)), WriteFrame(264, Word(5)), WriteFrame(272, Word(3)),
                      WriteFrame(277, Joined({Pair(10000), Word(250), Word(2)})), WriteFrame(331, Pair(500))}},
        DownloadCase{"pulse", &W58PulseDefinition,
                     {{1159, "1"}, {1161, "1"}, {1163, "2000"}, {1168, "1.001"}, {1166, "5"}, {1040, "1"},
                      {1170, "0.5"}, {1107, "1"}},
                     {WriteFrame(185, Joined({Word(1), Word(1), Pair(20000), Pair(1001), Word(5)})),
                      WriteFrame(248, Joined({Word(1), Pair(500)})), WriteFrame(265, Word(1))}},
        DownloadCase{"alarm", &W58AlarmDefinition,
                     {{1211, "80.5"}, {1220, "5"}, {1229, "2"}, {1235, "1"}, {1240, "1"}, {1243, "1"}, {1252, "1"},
                      {1270, "1"}},
                     {WriteFrame(192, Joined({Word(1), Word(0), Word(0), Word(1), Word(1), Word(805), Word(50),
                                              Word(20)})),
                      WriteFrame(281, Joined({Word(1), Word(0), Word(0), Word(1)}))}},
        DownloadCase{"sensor", &W58SensorDefinition,
                     {{1278, "12345678"}, {1313, "1"}, {1289, "1.13"}, {1175, "1"}, {1295, "-1.234"},
                      {1177, "0.0025"}, {1301, "3"}, {1180, "125"}, {1307, "1"}, {1253, "1"}, {1259, "30"},
                      {1265, "3000"}, {1271, "500"}, {1173, "10"}, {1174, "3"}},
                     {WriteFrame(147, Joined({Pair(113000), Word(10)})), WriteFrame(153, Joined({Word(1), Word(30)})),
                      WriteFrame(223, Joined({Word(3000), Word(500), {1, 2, 3, 4, 5, 6, 7, 8}})),
                      WriteFrame(237, Word(3)), WriteFrame(266, Joined({Pair(1250), Word(1)})),
                      WriteFrame(285, Word(10)), WriteFrame(321, Joined({Pair(100000), Pair(25)})),
                      WriteFrame(327, Pair(Negative(-1234))), WriteFrame(333, Word(3))}},
        // The hidden working mode goes out with the value its list holds (0, automatic).
        DownloadCase{"heat", &W58HeatDefinition,
                     {{1117, "3"}, {1283, "1234.5678"}, {1183, "5"}, {1288, "1"}, {1290, "1"}, {1296, "4.18"},
                      {1294, "998.2"}, {1186, "0.5"}, {1193, "-1.5"}, {1196, "3"}, {1292, "1"}},
                     {WriteFrame(134, Word(4)), WriteFrame(243, Joined({Pair(12345678), Word(0), Word(5)})),
                      WriteFrame(251, Joined({Word(1), Word(1), Pair(418), Pair(99820), Word(500), Word(0xFFF1),
                                              Word(30)})),
                      WriteFrame(286, Word(1))}}));

// ---- read all failing at a middle group ------------------------------------------------

struct ReadAllFailureCase {
    const char* page_name;
    DefinitionOf page;
    int failingRegister;      // the meter answers requests touching it with an exception
    std::size_t requests;     // read requests sent, the failing group's two attempts included
    std::string message;
};
void PrintTo(const ReadAllFailureCase& c, std::ostream* out) { *out << c.page_name; }

using W58ReadAllFailureTest = W58TableTest<ReadAllFailureCase>;

// On these pages a read all changes values only when every group was read.
TEST_P(W58ReadAllFailureTest, LeavesEveryValueAsItWas) {
    const ReadAllFailureCase& c = GetParam();
    std::vector<std::string> before;
    for (const ParamRow& row : page_->Definition().rows) before.push_back(Shown(row.controlId));
    Meter().SetExceptionRange(c.failingRegister, c.failingRegister);
    Press(page_->Definition().readAllButton);
    EXPECT_EQ(Messages(), Texts{c.message});
    EXPECT_EQ(ReadRequestsOf(Sent()).size(), c.requests);
    std::vector<std::string> after;
    for (const ParamRow& row : page_->Definition().rows) after.push_back(Shown(row.controlId));
    EXPECT_EQ(after, before);

    // and once the meter answers, every value arrives
    Meter().ClearFaults();
    Press(page_->Definition().readAllButton);
    EXPECT_EQ(Messages(), Texts{"读取成功"});
    std::vector<std::string> read;
    for (const ParamRow& row : page_->Definition().rows) read.push_back(Shown(row.controlId));
    EXPECT_NE(read, before);
}

const std::string kReadAllFailed = "参数读取失败，注意仪表是否支持相关参数读取";

INSTANTIATE_TEST_SUITE_P(
    FivePages, W58ReadAllFailureTest,
    ::testing::Values(ReadAllFailureCase{"flow, group 3", &W58FlowDefinition, 280, 4, kReadAllFailed},
                      ReadAllFailureCase{"pulse, group 2", &W58PulseDefinition, 249, 3, kReadAllFailed},
                      ReadAllFailureCase{"alarm, group 2", &W58AlarmDefinition, 281, 3, kReadAllFailed},
                      ReadAllFailureCase{"sensor, group 5", &W58SensorDefinition, 333, 6, kReadAllFailed},
                      ReadAllFailureCase{"heat, its energy unit first", &W58HeatDefinition, 134, 2,
                                         "单位读取失败，注意仪表是否支持相关参数读取"},
                      ReadAllFailureCase{"heat, group 2", &W58HeatDefinition, 257, 3, kReadAllFailed}));

class W58HeatTest : public W58PageTest {
protected:
    W58HeatTest() : W58PageTest(W58HeatDefinition()) {}
};

TEST_F(W58HeatTest, AFailedUnitWriteSendsNothingElse) {
    Meter().SetExceptionRange(134, 134);
    Press(1281);
    EXPECT_EQ(Messages(), Texts{"单位下传失败，注意仪表是否支持相关参数下传"});
    EXPECT_EQ(WritesAmong(Sent()), 2);  // the unit, twice
}

// ---- conversions: single writes -----------------------------------------------------

struct WriteCase {
    const char* what;
    DefinitionOf page;
    int controlId;
    std::string entered;
    Texts messages;
    Frames frames;
};
void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.what; }

using W58SingleWriteTest = W58TableTest<WriteCase>;

TEST_P(W58SingleWriteTest, SendsWhatTheMeterExpects) {
    const WriteCase& c = GetParam();
    Enter({{c.controlId, c.entered}});
    const ParamRow& row = page_->Definition().rows[*page_->RowOfControl(c.controlId)];
    Press(row.writeButton);
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_EQ(HexAll(Sent(c.frames.size())), HexAll(c.frames));
}

const Texts kWritten = {"写入成功"};

INSTANTIATE_TEST_SUITE_P(
    FivePages, W58SingleWriteTest,
    ::testing::Values(
        WriteCase{"flow: spike coefficient 0.25", &W58FlowDefinition, 1011, "0.25", kWritten, {WriteFrame(279, Word(250))}},
        WriteCase{"flow: 65.536 does not fit the register", &W58FlowDefinition, 1011, "65.536",
                  {"请输入一个 0 至 65.535 之间的数字。"}, {}},
        WriteCase{"flow: correction factor 1.0001", &W58FlowDefinition, 1017, "1.0001", kWritten,
                  {WriteFrame(161, Pair(10001))}},
        WriteCase{"flow: correction point 0.3", &W58FlowDefinition, 1015, "0.3", kWritten, {WriteFrame(159, Pair(300))}},
        WriteCase{"flow: an unsigned range is never negative", &W58FlowDefinition, 1007, "-1",
                  {"请输入一个 0 至 429496.7295 之间的数字。"}, {}},
        WriteCase{"flow: no measuring direction", &W58FlowDefinition, 1037, "-1", kWritten,
                  {WriteFrame(177, Word(0xFFFF))}},
        WriteCase{"pulse: 1.001 L/P is 1001, not 1000", &W58PulseDefinition, 1168, "1.001", kWritten,
                  {WriteFrame(189, Pair(1001))}},
        WriteCase{"pulse: 1.15 is truncated to 11", &W58PulseDefinition, 1163, "1.15", kWritten,
                  {WriteFrame(187, Pair(11))}},
        WriteCase{"pulse: no pulse width", &W58PulseDefinition, 1166, "-1", kWritten, {WriteFrame(191, Word(0xFFFF))}},
        WriteCase{"alarm: 80.5 %", &W58AlarmDefinition, 1211, "80.5", kWritten, {WriteFrame(197, Word(805))}},
        WriteCase{"alarm: 7000 % does not fit the register", &W58AlarmDefinition, 1211, "7000",
                  {"请输入一个 0 至 6553.5 之间的数字。"}, {}},
        WriteCase{"alarm: a percentage is never negative", &W58AlarmDefinition, 1220, "-1",
                  {"请输入一个 0 至 6553.5 之间的数字。"}, {}},
        WriteCase{"sensor: factor 1.13 after the nudge", &W58SensorDefinition, 1289, "1.13", kWritten,
                  {WriteFrame(147, Pair(113000))}},
        WriteCase{"sensor: factor -0.29", &W58SensorDefinition, 1289, "-0.29", kWritten,
                  {WriteFrame(147, Pair(Negative(-29000)))}},
        WriteCase{"sensor: no diameter is register 8", &W58SensorDefinition, 1313, "-1", kWritten,
                  {WriteFrame(149, Word(8))}},
        WriteCase{"sensor: meter number 42", &W58SensorDefinition, 1278, "42", kWritten,
                  {WriteFrame(225, {0, 0, 0, 0, 0, 0, 4, 2})}},
        WriteCase{"sensor: meter number of nine digits", &W58SensorDefinition, 1278, "100000000",
                  {"请输入一个 0 至 99999999 之间的整数。"}, {}},
        WriteCase{"heat: supply compensation -1.5", &W58HeatDefinition, 1193, "-1.5", kWritten,
                  {WriteFrame(258, Word(0xFFF1))}},
        WriteCase{"heat: supply compensation 3.5 is refused", &W58HeatDefinition, 1193, "3.5",
                  {"请输入一个 -3 至 3 之间的数字。"}, {}},
        WriteCase{"heat: small temperature difference 1.001", &W58HeatDefinition, 1186, "1.001", kWritten,
                  {WriteFrame(257, Word(1001))}},
        WriteCase{"heat: power upper limit 1234.5678", &W58HeatDefinition, 1283, "1234.5678", kWritten,
                  {WriteFrame(243, Pair(12345678))}},
        WriteCase{"heat: MJ is the meter's code 3", &W58HeatDefinition, 1117, "2", kWritten,
                  {WriteFrame(134, Word(3))}},
        WriteCase{"heat: no energy unit", &W58HeatDefinition, 1117, "-1", kWritten,
                  {WriteFrame(134, Word(0xFFFF))}}));

// ---- conversions: single reads ------------------------------------------------------

struct ReadCase {
    const char* what;
    DefinitionOf page;
    int reg;
    Frame registers;  // as the meter holds them, wire order
    int controlId;
    std::string shown;
};
void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.what; }

using W58SingleReadTest = W58TableTest<ReadCase>;

TEST_P(W58SingleReadTest, ShowsWhatTheMeterHolds) {
    const ReadCase& c = GetParam();
    Meter().SetBytes(c.reg, c.registers);
    const ParamRow& row = page_->Definition().rows[*page_->RowOfControl(c.controlId)];
    Press(row.readButton);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Shown(c.controlId), c.shown);
}

const Frame kAllOnes = {0xFF, 0xFF, 0xFF, 0xFF};

INSTANTIATE_TEST_SUITE_P(
    FivePages, W58SingleReadTest,
    ::testing::Values(
        ReadCase{"flow: spike coefficient", &W58FlowDefinition, 279, Word(250), 1011, "0.25"},
        ReadCase{"flow: inertial filter threshold", &W58FlowDefinition, 264, Word(123), 1044, "12.3"},
        ReadCase{"flow: a negative pair reads back unsigned", &W58FlowDefinition, 139, Pair(Negative(-10000)), 1007,
                 "429495.7296"},
        ReadCase{"flow: measuring direction 3 is no selection", &W58FlowDefinition, 177, Word(3), 1037, "-1"},
        ReadCase{"pulse: frequency upper limit", &W58PulseDefinition, 187, Pair(12345), 1163, "1234.5"},
        ReadCase{"pulse: flow pulse equivalent", &W58PulseDefinition, 189, Pair(1), 1168, "0.001"},
        ReadCase{"pulse: pulse width 7 is no selection", &W58PulseDefinition, 191, Word(7), 1166, "-1"},
        ReadCase{"alarm: upper limit", &W58AlarmDefinition, 197, Word(805), 1211, "80.5"},
        ReadCase{"alarm: a negative word reads back unsigned", &W58AlarmDefinition, 198, Word(0xFFF6), 1220,
                 "6552.6"},
        ReadCase{"alarm: switch 2 is no selection", &W58AlarmDefinition, 284, Word(2), 1270, "-1"},
        ReadCase{"sensor: converter factor unsigned", &W58SensorDefinition, 321, kAllOnes, 1175, "42949.67295"},
        ReadCase{"sensor: sensor factor signed", &W58SensorDefinition, 147, kAllOnes, 1289, "-1e-05"},
        ReadCase{"sensor: DN15 shows as DN20", &W58SensorDefinition, 149, Word(8), 1313, "0"},
        ReadCase{"sensor: beyond DN32 is no selection", &W58SensorDefinition, 149, Word(12), 1313, "-1"},
        ReadCase{"sensor: digit bytes are added unchecked", &W58SensorDefinition, 225, {0, 0, 0, 0, 0, 0, 0, 0x0A},
                 1278, "00000010"},
        ReadCase{"heat: supply compensation signed", &W58HeatDefinition, 258, Word(0xFFF1), 1193, "-1.5"},
        ReadCase{"heat: kJ shows as kWh", &W58HeatDefinition, 134, Word(2), 1117, "0"},
        ReadCase{"heat: unit 5 is no selection", &W58HeatDefinition, 134, Word(5), 1117, "-1"},
        ReadCase{"heat: the hidden working mode", &W58HeatDefinition, 245, Word(2), 1123, "2"}));

}  // namespace
}  // namespace kelvo::test
