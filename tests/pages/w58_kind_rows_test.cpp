// The engine with rows of the W58 kind that the generic page lacks: the eight-digit
// meter number and a total. A value their registers cannot carry is refused with the
// range prompt before the port is opened; what fits reaches the meter byte for byte.

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "page_test_support.h"
#include "pages/parameter_page.h"

namespace kelvo::test {
namespace {

constexpr std::array<kelvo::Frame, 1> kFrames = {{{"常用参数"}}};
constexpr std::array<ParamRow, 2> kRows = {{
    {.label = "表号", .control = Control::DigitsEdit, .controlId = 1278, .kind = Kind::Digits8, .reg = 225,
     .readButton = 1280, .writeButton = 1282, .range = Range{0, 99999999}},
    {.label = "流量正向累积", .control = Control::DecimalEdit, .controlId = 1069, .kind = Kind::Total, .reg = 107,
     .readButton = 1131, .writeButton = 1133, .zeroText = true},
}};
const PageDefinition kDefinition = {
    .className = "CW58NormalDlg",
    .dialogId = 146,
    .frames = kFrames,
    .rows = kRows,
    .writeFailText = kW58WriteFailText,
};

struct Case {
    const char* what;
    int controlId;
    std::string typed;
    int button;
    std::vector<std::string> messages;
    Frames frames;
};
void PrintTo(const Case& c, std::ostream* out) { *out << c.what; }

class W58KindRowTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        ASSERT_TRUE(port_.Start());
        page_.Initialise();
    }

    SimulatedMeterPort port_;  // a W58 meter
    FakeControls controls_{kDefinition};
    ScriptedPrompter prompter_;
    ParameterPage page_{kDefinition, controls_, prompter_};
};

TEST_P(W58KindRowTest, WritesOrRefuses) {
    const Case& c = GetParam();
    controls_.Type(c.controlId, c.typed);
    ASSERT_TRUE(page_.OnButton(c.button));
    EXPECT_EQ(prompter_.Texts(), c.messages);
    port_.Meter().WaitForRequests(c.frames.size(), 3000);
    EXPECT_EQ(HexAll(port_.Meter().Requests()), HexAll(c.frames));
}

const std::string kMeterNumberPrompt = "请输入一个 0 至 99999999 之间的整数。";
const std::string kTotalPrompt = "请输入一个 0 至 2147483647.999 之间的数字。";

INSTANTIATE_TEST_SUITE_P(
    MeterNumberAndTotal, W58KindRowTest,
    ::testing::Values(
        Case{"meter number", 1278, "12345678", 1282, {"写入成功"},
             {WriteFrame(225, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08})}},
        Case{"meter number 0", 1278, "0", 1282, {"写入成功"}, {WriteFrame(225, {0, 0, 0, 0, 0, 0, 0, 0})}},
        Case{"meter number above 99999999", 1278, "100000000", 1282, {kMeterNumberPrompt}, {}},
        Case{"negative meter number", 1278, "-1", 1282, {kMeterNumberPrompt}, {}},
        Case{"total", 1069, "12.005", 1133, {"写入成功"},
             {WriteFrame(107, {0x00, 0x0C, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00})}},
        Case{"total below 0", 1069, "-0.5", 1133, {kTotalPrompt}, {}},
        Case{"total at 2147483648", 1069, "2147483648", 1133, {kTotalPrompt}, {}},
        // the meter number comes first in the exchange order, so its prompt ends the
        // capture and the total keeps its field (0), which is then written
        Case{"refused meter number before a total write", 1278, "100000000", 1133, {kMeterNumberPrompt, "写入成功"},
             {WriteFrame(107, {0, 0, 0, 0, 0, 0, 0, 0})}}));

}  // namespace
}  // namespace kelvo::test
