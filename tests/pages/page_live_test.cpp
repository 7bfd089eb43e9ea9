// SPDX-License-Identifier: GPL-3.0-or-later
// The generic page while the main window is connected: a read-only view of the live
// record, with its controls locked.

#include <gtest/gtest.h>

#include <ostream>
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "fake_controls.h"
#include "meter/live_record.h"
#include "pages/normal_cfg_page.h"
#include "support/scripted_prompter.h"

namespace kelvo {
namespace {

class GenericLiveTest : public ::testing::Test {
protected:
    void SetUp() override { page_.Initialise(); }

    test::FakeControls controls_{NormalCfgDefinition()};
    test::ScriptedPrompter prompter_;
    CNormalCfgPage page_{controls_, prompter_};
};

LiveRecord RecordOfAGenericMeter() {
    LiveRecord record;
    record.SetU16(115, 1);  // m3
    record.SetU16(116, 2);  // /h
    record.SetU16(117, 3);  // t
    record.SetU32(139, 350000);
    record.SetU16(141, 5);
    record.SetU16(142, 4);
    record.SetU32(147, 100000);
    record.SetU16(149, 13);
    record.SetU16(150, 1);
    record.SetU16(153, 1);
    record.SetU16(154, 30);
    record.SetU16(155, 1);
    record.SetU16(156, 8);
    record.SetU16(157, 3);
    record.SetU16(185, 1);
    record.SetU32(189, 1500);
    record.SetU32(323, static_cast<std::uint32_t>(-15000));
    return record;
}

TEST_F(GenericLiveTest, EveryFieldComesFromItsRegisters) {
    page_.ShowLiveValues(RecordOfAGenericMeter(), 1);
    struct Shown {
        int id;
        std::string text;
    };
    for (const Shown& shown : std::vector<Shown>{{1007, "35"},
                                                 {1055, "1"},
                                                 {1056, "-1.5"},
                                                 {1008, "0.5"},
                                                 {1010, "4"},
                                                 {1053, "30"},
                                                 {1051, "8"},
                                                 {1168, "1.5"},
                                                 {1163, "2000"}}) {
        EXPECT_EQ(controls_.Text(shown.id), shown.text) << shown.id;
    }
    struct Selected {
        int id;
        int index;
    };
    for (const Selected& selected : std::vector<Selected>{
             {1031, 13}, {1047, 5}, {1049, 3}, {1035, 1}, {1036, 1}, {1038, 1}, {1041, 3}, {1159, 1}}) {
        EXPECT_EQ(controls_.Selection(selected.id), selected.index) << selected.id;
    }
    EXPECT_TRUE(prompter_.Entries().empty());
}

TEST_F(GenericLiveTest, LegacyMeterSensorFactorHasFourDecimals) {
    page_.ShowLiveValues(RecordOfAGenericMeter(), 0);
    EXPECT_EQ(controls_.Text(1055), "10");
    EXPECT_EQ(page_.ParamEncoding(), 0);
}

struct DiameterCase {
    int paramEncoding;
    std::uint16_t reg149;
    int selection;
};
void PrintTo(const DiameterCase& c, std::ostream* out) {
    *out << "encoding " << c.paramEncoding << ", register 149 = " << c.reg149;
}

class LiveDiameterTest : public GenericLiveTest, public ::testing::WithParamInterface<DiameterCase> {};

TEST_P(LiveDiameterTest, ShowsThisDiameter) {
    LiveRecord record = RecordOfAGenericMeter();
    record.SetU16(149, GetParam().reg149);
    page_.ShowLiveValues(record, GetParam().paramEncoding);
    EXPECT_EQ(controls_.Selection(1031), GetParam().selection);
    EXPECT_EQ(page_.ParamEncoding(), GetParam().paramEncoding);
}

INSTANTIATE_TEST_SUITE_P(Encodings, LiveDiameterTest,
                         ::testing::Values(DiameterCase{0, 0, 2},     // legacy code 0: DN3
                                           DiameterCase{1, 0, 0},     // DN1
                                           DiameterCase{0, 3, 8},     // DN15
                                           DiameterCase{0, 30, 35},   // DN2000
                                           DiameterCase{0, 31, -1},   // no such legacy code
                                           DiameterCase{0, 65535, -1},
                                           DiameterCase{1, 36, -1})); // beyond the list

TEST_F(GenericLiveTest, UnitsBeyondTheirListsShowNoSelection) {
    LiveRecord record = RecordOfAGenericMeter();
    record.SetU16(115, 7);
    record.SetU16(117, 6);
    page_.ShowLiveValues(record, 1);
    EXPECT_EQ(controls_.Selection(1047), -1);
    EXPECT_EQ(controls_.Selection(1049), -1);
}

TEST_F(GenericLiveTest, FrequencyUpperLimitStaysAt2000) {
    page_.ShowLiveValues(LiveRecord{}, 1);
    EXPECT_EQ(controls_.Text(1163), "2000");
    EXPECT_EQ(controls_.Text(1007), "0");
}

// Every parameter control but the frequency upper limit, every 读取 and 写入 button
// (also the hidden ones), the function and the preset buttons.
const std::set<int> kLockedControls = {
    1031, 1007, 1047, 1049, 1055, 1056, 1035, 1008, 1010, 1036, 1053, 1038, 1051, 1041, 1159, 1168,  // values
    1060, 1072, 1074, 1075, 1076, 1077, 1078, 1079, 1112, 1114, 1108, 1110, 1080, 1081, 1082, 1083,  // buttons
    1084, 1085, 1086, 1088, 1090, 1092, 1094, 1096, 1098, 1100, 1102, 1104, 1172, 1174, 1202, 1204,
    1045, 1043, 1014, 1026, 1057, 1059, 1061, 1062};

TEST_F(GenericLiveTest, SetControlsEnabledActsOnExactlyFiftySixControls) {
    ASSERT_EQ(kLockedControls.size(), 56U);
    page_.SetControlsEnabled(false);
    std::set<int> reached;
    for (const auto& [id, calls] : controls_.EnableCalls()) reached.insert(id);
    EXPECT_EQ(reached, kLockedControls);
    for (int id : kLockedControls) EXPECT_FALSE(controls_.Enabled(id)) << id;

    page_.SetControlsEnabled(true);
    for (int id : kLockedControls) EXPECT_TRUE(controls_.Enabled(id)) << id;
    EXPECT_FALSE(controls_.Enabled(1163));
    EXPECT_EQ(controls_.EnableCalls().count(1163), 0U);
}

}  // namespace
}  // namespace kelvo
