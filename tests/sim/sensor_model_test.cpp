// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated sensor without the wire: the true flow each profile gives, a meter whose
// sensor factor is off reading off by as much — until the factor present × reference ÷
// measured is written — totals that add up what the meter reads, repeatable noise and a
// zero that an auto zero takes away.

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "sim/flow_profile.h"
#include "sim/meter_model.h"

namespace kelvo::sim {
namespace {

TEST(FlowProfile, EachShapeGivesItsFlowAtItsTime) {
    struct Case {
        const char* text;
        double period;
        double seconds;
        double flow;
    };
    const Case cases[] = {
        {"constant:12.5", 60, 1e6, 12.5},  {"steps:0,5,10", 20, 19.9, 0}, {"steps:0,5,10", 20, 20, 5},
        {"steps:0,5,10", 20, 61, 0},       {"ramp:0,20", 10, 2.5, 5},     {"ramp:20,0", 10, 30, 0},
        {"sine:12.5,2", 40, 10, 14.5},     {"sine:12.5,2", 40, 30, 10.5}, {"sine:-1,0.5", 4, 1, -0.5},
    };
    for (const Case& c : cases) {
        auto profile = ParseFlowProfile(c.text);
        ASSERT_TRUE(profile) << c.text;
        profile->periodSeconds = c.period;
        const auto flow = TrueFlowAt(*profile, c.seconds);
        ASSERT_TRUE(flow) << c.text;
        EXPECT_NEAR(*flow, c.flow, 1e-9) << c.text << " at " << c.seconds << " s";
    }
    for (const char* refused : {"ramp:1", "sine:1,2,3", "constant:", "constant:x", "steps", "jump:1", "wobble:1"}) {
        EXPECT_FALSE(ParseFlowProfile(refused)) << refused;
    }
    ASSERT_TRUE(ParseFlowProfile("wobble"));
    EXPECT_FALSE(TrueFlowAt(*ParseFlowProfile("wobble"), 0)) << "the wobble follows the image";
}

constexpr int kFlow = 99;
constexpr int kForwardTotal = 107;
constexpr int kSensorFactor = 147;

double Total(const MeterModel& meter) { return meter.Image().Total(kForwardTotal); }

struct Growth {
    double measured;  // the forward total's growth
    double truly;     // what truly flowed
};

Growth RunFor(MeterModel& meter, int seconds) {
    const double total = Total(meter);
    const double truly = meter.TrueVolume();
    for (int s = 0; s < seconds; ++s) meter.MoveLiveValues(1.0, std::time(nullptr));
    return {Total(meter) - total, meter.TrueVolume() - truly};
}

TEST(SensorModel, ACorrectedSensorFactorBringsTheErrorToAboutZero) {
    MeterModel meter(SimMeterKind::W58, 8);
    // 360 m3/h for 20 s: 2 m3, so the total's thousandths are 0.05 % of a run.
    meter.Motion().SetSensor(meter.Image(),
                             {.profile = *ParseFlowProfile("constant:360"), .trueFactor = 0.98, .zeroOffset = 0});
    ASSERT_EQ(meter.Image().Reg32(kSensorFactor), 100000U) << "the meter holds 1.00000";

    const Growth found = RunFor(meter, 20);
    EXPECT_NEAR(found.truly, 2.0, 1e-9);
    // The meter reads 1 ÷ 0.98 of the true flow: 2.04 % too much.
    EXPECT_NEAR((found.measured - found.truly) / found.truly * 100, 2.0408, 0.05);
    EXPECT_NEAR(meter.Image().Float(kFlow), 367.347F, 0.001F);
    EXPECT_NEAR(found.measured, 367.347 * 20 / 3600, 0.0011) << "the total adds up the flow the meter read";

    // The correction a technician makes: present × reference ÷ measured, in the meter's decimals.
    const auto corrected = static_cast<std::uint32_t>(std::lround(100000 * found.truly / found.measured));
    meter.Image().SetReg32(kSensorFactor, corrected);
    meter.MoveLiveValues(1.0, std::time(nullptr));  // the reading follows the new factor
    const Growth left = RunFor(meter, 20);
    EXPECT_LT(std::fabs((left.measured - left.truly) / left.truly * 100), 0.1);
}

TEST(SensorModel, NoiseRepeatsWithItsSeedAndAnAutoZeroTakesTheZeroOffsetAway) {
    const auto flows = [](std::uint32_t seed) {
        MeterModel meter(SimMeterKind::Generic, 8);
        FlowProfile profile = *ParseFlowProfile("constant:5");
        profile.noise = 0.2;
        meter.Motion().SetSensor(meter.Image(), {.profile = profile, .trueFactor = {}, .zeroOffset = 0, .seed = seed});
        std::vector<float> shown;
        for (int s = 0; s < 8; ++s) {
            meter.MoveLiveValues(1.0, std::time(nullptr));
            shown.push_back(meter.Image().Float(kFlow));
        }
        return shown;
    };
    EXPECT_EQ(flows(7), flows(7));
    EXPECT_NE(flows(7), flows(8));

    MeterModel meter(SimMeterKind::Generic, 8);
    meter.Motion().SetSensor(meter.Image(),
                             {.profile = *ParseFlowProfile("constant:0"), .trueFactor = {}, .zeroOffset = 0.25});
    EXPECT_FLOAT_EQ(meter.Image().Float(kFlow), 0.25F) << "a flow with the pipe at rest";
    const std::uint8_t autoZero[] = {0x00, 0x01};
    EXPECT_EQ(meter.Write(151, autoZero, std::time(nullptr)), std::vector<std::string>{"auto zero"});
    meter.MoveLiveValues(1.0, std::time(nullptr));
    EXPECT_FLOAT_EQ(meter.Image().Float(kFlow), 0.0F);
}

}  // namespace
}  // namespace kelvo::sim
