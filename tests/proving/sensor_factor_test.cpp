// SPDX-License-Identifier: GPL-3.0-or-later
// Correcting the sensor factor on the fake transport: the factor proposed in the steps the
// meter's register holds, what the meter receives byte for byte, nothing without the
// technician's yes, nothing over a factor that changed, and what the box then says.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "proving/sensor_factor.h"
#include "settings/settings.h"
#include "support/fake_meter.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

using test::Bytes;
using test::WithCrc16;

constexpr CodecContext kCurrent{.byteOrderMode = 1, .paramEncoding = 1};
constexpr CodecContext kLegacy{.byteOrderMode = 1, .paramEncoding = 0};

TEST(SensorFactorProposal, PresentTimesReferenceOverMeasuredInTheRegistersSteps) {
    struct Case {
        int kind;
        CodecContext context;
        double present;
        double reference;
        double measured;
        const char* proposed;
        const char* refusal;  // "" when it can be written
    };
    const Case cases[] = {
        {kW58Meter, kCurrent, 1, 100, 102, "0.98039", ""},
        {kW58Meter, kCurrent, 1.02, 2, 2.041, "0.99951", ""},
        {kGenericMeter, kLegacy, 10, 100, 99, "10.101", ""},
        {kW58Meter, kCurrent, 20000, 2, 1, "40000",
         "新系数 40000 不能写入：请输入一个 -21474.83648 至 21474.83647 之间的数字。"},
        {kW58Meter, kCurrent, 0, 100, 102, "0", "新系数 0 不大于 0，不能写入。"},
        {kW58Meter, kCurrent, 1, 100, 0, "", "没有测得体积，无法计算新系数。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.present) + " × " + std::to_string(c.reference) + " ÷ " + std::to_string(c.measured));
        const FactorProposal proposal = ProposeSensorFactor(c.kind, c.context, c.present, c.reference, c.measured);
        EXPECT_EQ(proposal.proposedText, c.proposed);
        EXPECT_EQ(proposal.refusal.value_or(""), c.refusal);
    }
    EXPECT_EQ(FactorQuestion(ProposeSensorFactor(kW58Meter, kCurrent, 1, 100, 102)),
              "将传感器系数由 1 改为 0.98039（新系数 = 原系数 × 参考体积 ÷ 测得体积 = 1 × 100 ÷ 102 = 0.98039），"
              "写入仪表后读回核对。是否写入？");
}

TEST(SensorFactorWrite, TheMeterReceivesExactlyTheProposedFactorAfterTheYesAndItIsReadBack) {
    // Registers 147-148 at address 8: read, and written with one function code 0x10 request.
    const Bytes read = WithCrc16({0x08, 0x04, 0x00, 0x93, 0x00, 0x02});
    const auto write = [](std::initializer_list<std::uint8_t> factor) {
        Bytes frame = {0x08, 0x10, 0x00, 0x93, 0x00, 0x02, 0x04};
        frame.insert(frame.end(), factor);
        return WithCrc16(frame);
    };
    struct Case {
        const char* what;
        const char* identification;  // of the meter: RA06 2003 keeps the legacy encoding
        FactorProposal proposal;
        std::uint32_t held;  // the register before, when the meter's factor changed meanwhile
        Confirmation confirmation;
        std::vector<Bytes> frames;
        const char* text;
    };
    const FactorProposal w58 = ProposeSensorFactor(kW58Meter, kCurrent, 1, 100, 102);
    const std::vector<Case> cases = {
        {"W58: 0.98039 is 98039 in byte order 2-1 4-3", "RA032004", w58, 0, Confirmation::Given,
         {read, write({0x7E, 0xF7, 0x00, 0x01}), read}, "传感器系数已由 1 改为 0.98039（仪表读回）"},
        {"a legacy generic meter keeps ten-thousandths: 10.101 is 101010", "RA062003",
         ProposeSensorFactor(kGenericMeter, kLegacy, 10, 100, 99), 0, Confirmation::Given,
         {read, write({0x8A, 0x92, 0x00, 0x01}), read}, "传感器系数已由 10 改为 10.101（仪表读回）"},
        {"without the technician's yes nothing is sent", "RA032004", w58, 0, Confirmation::Declined, {},
         "未确认，没有写入传感器系数"},
        {"a factor changed since the proposal is not written over", "RA032004", w58, 110000, Confirmation::Given,
         {read}, "仪表的传感器系数已不是 1，没有写入"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempSettings config;
        test::FakeMeterLink meter(c.proposal.meterKind == kW58Meter ? sim::SimMeterKind::W58 : sim::SimMeterKind::Generic,
                                  c.identification);
        if (c.held != 0) meter.meter.Edit([&c](sim::RegisterImage& image) { image.SetReg32(147, c.held); });
        const FactorWrite written = WriteSensorFactor(meter.link, c.proposal, c.confirmation);
        EXPECT_EQ(meter.wire->Written(), c.frames);
        EXPECT_EQ(DescribeFactorWrite(c.proposal, c.confirmation, written).text, c.text);
    }
}

}  // namespace
}  // namespace kelvo
