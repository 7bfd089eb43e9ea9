// SPDX-License-Identifier: GPL-3.0-or-later
// One polling cycle against the simulated meter's answers on the fake transport: the
// requests it sends, where the answers land in the record, and what a failing or missing
// answer, a stop or a vanished device leaves behind.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "support/fake_meter.h"
#include "link/modbus_rtu.h"
#include "link/stop_event.h"
#include "live/live_display.h"
#include "live/live_polling.h"
#include "settings/settings.h"

namespace kelvo {
namespace {

using Frame = std::vector<std::uint8_t>;

SerialSettings LinkSettings() {
    SerialSettings settings;
    settings.portName = "SIM1";
    settings.baudRate = 57600;
    settings.address = 8;
    return settings;
}

class PollOnceTest : public ::testing::Test {
protected:
    void SetUp() override {
        meter_.Attach(*wire_);
        link_.SetStop(&stop_);
        ASSERT_TRUE(link_.OpenPort(LinkSettings()));
    }

    test::FakeMeter& Meter() { return meter_; }
    std::vector<Frame> Requests() { return wire_->Written(); }
    void ClearRequests() {
        const std::lock_guard lock(wire_->mutex);
        wire_->written.clear();
    }
    // The meter stores 32-bit values in its default mode 1, which the cycles here read by.
    bool Poll(int meterKind, int byteOrderMode = 1) { return PollOnce(link_, meterKind, shared_, byteOrderMode); }

    // Every register of the live block, 99..333, set to wire bytes seed, seed + 5, ...
    void FillMeter(int seed) {
        std::vector<std::uint8_t> bytes(2 * (kLiveSecondBlockLast - kLiveFirstBlockFirst + 1));
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(seed + 5 * i);
        meter_.Edit([&bytes](sim::RegisterImage& image) { image.SetBytes(kLiveFirstBlockFirst, bytes); });
    }

    std::shared_ptr<test::FakeLine> wire_ = std::make_shared<test::FakeLine>();
    test::FakeMeter meter_;
    StopEvent stop_;
    CDMRJly link_{std::make_unique<test::FakeTransport>(wire_)};
    std::mutex liveMutex_;
    LiveShared shared_{liveMutex_};
};

TEST_F(PollOnceTest, OneCycleSendsTheBlocksOfItsKindInOrder) {
    struct Case {
        int meterKind;
        std::vector<Frame> frames;
    };
    const std::array<Case, 3> cases = {{
        {kW58Meter,
         {{0x08, 0x04, 0x00, 0x63, 0x00, 0x64, 0x01, 0x66},     // 99, 100 registers
          {0x08, 0x04, 0x00, 0xC7, 0x00, 0x58, 0x40, 0x94},     // 199, 88 registers
          {0x08, 0x04, 0x01, 0x41, 0x00, 0x0D, 0x60, 0xBE}}},   // 321, 13 registers
        {kGenericMeter,
         {{0x08, 0x04, 0x00, 0x63, 0x00, 0x3B, 0x41, 0x5E},     // 99, 59 registers
          {0x08, 0x04, 0x01, 0x43, 0x00, 0x02, 0x81, 0x7A},     // 323, 2 registers
          {0x08, 0x04, 0x00, 0xB9, 0x00, 0x01, 0xE0, 0xB6},     // 185, 1 register
          {0x08, 0x04, 0x00, 0xBD, 0x00, 0x02, 0xE1, 0x76}}},   // 189, 2 registers
        {7,  // any kind other than W58 polls as a generic meter
         {{0x08, 0x04, 0x00, 0x63, 0x00, 0x3B, 0x41, 0x5E},
          {0x08, 0x04, 0x01, 0x43, 0x00, 0x02, 0x81, 0x7A},
          {0x08, 0x04, 0x00, 0xB9, 0x00, 0x01, 0xE0, 0xB6},
          {0x08, 0x04, 0x00, 0xBD, 0x00, 0x02, 0xE1, 0x76}}},
    }};
    for (const Case& c : cases) {
        ClearRequests();
        Poll(c.meterKind);
        EXPECT_EQ(Requests(), c.frames) << "meter kind " << c.meterKind;
    }
}

TEST_F(PollOnceTest, MeasurementsReachTheLiveFields) {
    Meter().Edit([](sim::RegisterImage& meter) {
        meter.SetFloat(99, 12.5F);
        meter.SetFloat(101, 1.25F);
        meter.SetFloat(103, 45.678F);
        meter.SetFloat(105, 77.0F);
        meter.SetReg32(107, 12);
        meter.SetReg32(109, 5);
        meter.SetReg32(111, static_cast<std::uint32_t>(-3));
        meter.SetReg32(113, 250);
        meter.SetReg(115, 1);
        meter.SetReg(116, 2);
        meter.SetReg(118, 0x0D);
        meter.SetFloat(119, 1.5F);
        meter.SetFloat(121, 45.678F);
        meter.SetFloat(123, 40.5F);
        meter.SetReg32(125, 100);
        meter.SetReg32(127, 7);
        meter.SetReg32(129, 1);
        meter.SetReg32(131, 999);
        meter.SetReg(133, 4);
        meter.SetReg(134, 3);
    });

    Poll(kW58Meter);

    const LiveTexts expected = {"12.5000 m3/h", "1.2500 m/s", "45.68%",    "77",    "12.005 m3",  "-3.250 m3",
                                "系统;上限;下限;", "1.5000 GJ/h", "45.68", "40.50", "100.007 MJ", "1.999 MJ"};
    EXPECT_EQ(FormatLiveTexts(shared_.snapshot, kW58Meter), expected);
}

// A register value and its width, as the pages read it from the record.
struct PageRegister {
    int reg;
    int bits;
    std::uint32_t value;
};

void SetOnMeter(test::FakeMeter& meter, const PageRegister& r) {
    meter.Edit([&r](sim::RegisterImage& image) {
        if (r.bits == 32) {
            image.SetReg32(r.reg, r.value);
        } else {
            image.SetReg(r.reg, static_cast<std::uint16_t>(r.value));
        }
    });
}

std::uint32_t ReadFromRecord(const LiveRecord& record, const PageRegister& r) {
    return r.bits == 32 ? record.U32(r.reg) : record.U16(r.reg);
}

TEST_F(PollOnceTest, W58PageRegistersLandAtTheirPlaces) {
    const std::vector<PageRegister> registers = {
        {139, 32, 350000}, {142, 16, 5},      {147, 32, 100000}, {149, 16, 13},
        {150, 16, 1},      {156, 16, 8},      {157, 16, 3},      {158, 16, 2},      {159, 32, 123456},
        {175, 32, 654321}, {177, 16, 17},     {180, 16, 18},     {185, 16, 1},      {186, 16, 2},
        {187, 32, 100},    {189, 32, 2000},   {191, 16, 19},     {199, 16, 20},     {203, 16, 2},
        {223, 16, 300},    {224, 16, 400},    {237, 16, 21},     {243, 32, 4000000},
        {245, 16, 23},     {246, 16, 24},     {248, 16, 1},      {249, 32, 1000},   {251, 16, 25},
        {253, 32, 7654321}, {255, 32, 42},    {257, 16, 26},     {265, 16, 1},      {266, 32, 5000},
        {268, 16, 27},     {272, 16, 28},     {277, 32, 12},     {279, 16, 29},     {280, 16, 1},
        {286, 16, 30},     {321, 32, 31},     {323, 32, 0xFFFFFF9C}, {327, 32, 32}, {331, 32, 33},
        {333, 16, 34},
    };
    for (const PageRegister& r : registers) SetOnMeter(Meter(), r);
    const std::vector<std::uint8_t> meterNumber = {1, 2, 3, 4, 5, 6, 7, 8};
    Meter().Edit([&meterNumber](sim::RegisterImage& image) { image.SetBytes(225, meterNumber); });

    Poll(kW58Meter);

    for (const PageRegister& r : registers) {
        EXPECT_EQ(ReadFromRecord(shared_.snapshot, r), r.value) << "register " << r.reg;
    }
    const std::uint8_t* digits = shared_.snapshot.Raw(225, 8);
    ASSERT_NE(digits, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(digits, digits + 8), meterNumber) << "raw registers stay in wire order";
}

TEST_F(PollOnceTest, GenericPageRegistersLandAtTheirPlaces) {
    const std::vector<PageRegister> registers = {
        {115, 16, 1},    {116, 16, 2},      {117, 16, 3}, {139, 32, 350000}, {141, 16, 12}, {142, 16, 5},
        {147, 32, 98765}, {149, 16, 13},    {150, 16, 1}, {153, 16, 1},      {154, 16, 45}, {155, 16, 1},
        {156, 16, 8},    {157, 16, 3},      {185, 16, 1}, {189, 32, 2000},   {323, 32, 0xFFFFFF9C},
    };
    for (const PageRegister& r : registers) SetOnMeter(Meter(), r);

    Poll(kGenericMeter);

    for (const PageRegister& r : registers) {
        EXPECT_EQ(ReadFromRecord(shared_.snapshot, r), r.value) << "register " << r.reg;
    }
}

TEST_F(PollOnceTest, AFailingBlockKeepsItsValuesWhileTheOthersUpdate) {
    const std::array<PageRegister, 3> before = {{{150, 16, 11}, {251, 16, 21}, {333, 16, 31}}};
    const std::array<PageRegister, 3> after = {{{150, 16, 12}, {251, 16, 22}, {333, 16, 32}}};
    for (const PageRegister& r : before) SetOnMeter(Meter(), r);
    Poll(kW58Meter);
    EXPECT_TRUE(shared_.health.lastCycleGood);
    const auto firstGood = shared_.health.lastGoodCycle;

    for (const PageRegister& r : after) SetOnMeter(Meter(), r);
    Meter().SetExceptionRange(251, 251);  // the second block (199..286) answers with exceptions
    Poll(kW58Meter);
    EXPECT_FALSE(shared_.health.lastCycleGood) << "a cycle is good only when every block was read";
    EXPECT_EQ(shared_.health.lastGoodCycle, firstGood);

    EXPECT_EQ(shared_.snapshot.U16(150), 12);
    EXPECT_EQ(shared_.snapshot.U16(251), 21) << "the failed block keeps what the last cycle read";
    EXPECT_EQ(shared_.snapshot.U16(333), 32) << "the block after the failed one is still read";
    EXPECT_EQ(shared_.working, shared_.snapshot);
}

TEST_F(PollOnceTest, EachCycleConvertsByTheByteOrderItIsGiven) {
    // The meter sends the same wire bytes every time; only the mode of the cycle changes.
    Meter().Edit([](sim::RegisterImage& image) {
        image.SetBytes(139, std::vector<std::uint8_t>{0x00, 0x01, 0x86, 0xA0});
        image.SetBytes(115, std::vector<std::uint8_t>{0x01, 0x2C});
    });
    struct Case {
        int mode;
        std::uint32_t range;
    };
    const std::array<Case, 5> cases = {{
        {3, 100000},      // "4-3 2-1"
        {1, 0x86A00001},  // "2-1 4-3"
        {0, 0xA0860100},  // "1-2 3-4"
        {2, 0x0100A086},  // "3-4 1-2"
        {9, 0x86A00001},  // outside 0..3: as mode 1
    }};
    for (const Case& c : cases) {
        Poll(kGenericMeter, c.mode);
        EXPECT_EQ(shared_.snapshot.U32(139), c.range) << "mode " << c.mode;
        EXPECT_EQ(shared_.snapshot.U16(115), 300) << "16-bit registers ignore the mode " << c.mode;
    }
}

TEST_F(PollOnceTest, AGenericCycleLeavesTheW58RegistersAlone) {
    FillMeter(1);
    Poll(kW58Meter);
    const LiveRecord afterW58 = shared_.snapshot;

    FillMeter(128);  // every wire byte now differs from the first fill
    Poll(kGenericMeter);
    const LiveRecord& afterGeneric = shared_.snapshot;

    struct Range {
        int first;
        int last;
        bool readByGeneric;
    };
    const std::array<Range, 9> ranges = {{
        {99, 157, true},   {158, 184, false}, {185, 185, true},  {186, 188, false}, {189, 190, true},
        {191, 286, false}, {321, 322, false}, {323, 324, true},  {325, 333, false},
    }};
    int covered = 0;
    for (const Range& range : ranges) {
        for (int reg = range.first; reg <= range.last; ++reg) {
            ++covered;
            const std::uint8_t* before = afterW58.Raw(reg, 2);
            const std::uint8_t* now = afterGeneric.Raw(reg, 2);
            ASSERT_NE(before, nullptr);
            ASSERT_NE(now, nullptr);
            const bool unchanged = before[0] == now[0] && before[1] == now[1];
            EXPECT_EQ(unchanged, !range.readByGeneric) << "register " << reg;
        }
    }
    EXPECT_EQ(covered, kLiveRecordBytes / 2);
}

TEST_F(PollOnceTest, EveryReadFailingStillCopiesTheWorkingRecord) {
    SetOnMeter(Meter(), {333, 16, 1234});
    Poll(kW58Meter);
    const LiveRecord meterValues = shared_.snapshot;

    Meter().SetExceptionRange(0, 399);
    SetOnMeter(Meter(), {333, 16, 4321});
    shared_.working.SetU16(150, 0xBEEF);  // a mark only the working record carries
    Poll(kW58Meter);

    LiveRecord expected = meterValues;
    expected.SetU16(150, 0xBEEF);
    EXPECT_EQ(shared_.snapshot, expected);
    EXPECT_EQ(shared_.snapshot.U16(333), 1234);
}

TEST_F(PollOnceTest, AClosedLinkSendsNothingAndChangesNothing) {
    SetOnMeter(Meter(), {333, 16, 55});
    Poll(kW58Meter);
    const LiveRecord before = shared_.snapshot;

    link_.ClosePort();
    ClearRequests();
    SetOnMeter(Meter(), {333, 16, 66});
    Poll(kW58Meter);
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(shared_.snapshot, before);
}

TEST_F(PollOnceTest, AStopOrAVanishedDeviceEndsTheCycleAfterItsBlock) {
    struct Case {
        const char* what;
        std::function<void()> atSecondRequest;
        bool recordsTheCycle;  // a stopped cycle says nothing about the meter
    };
    const std::vector<Case> cases = {
        {"stop", [this] { stop_.Set(); }, false},
        {"unplugged",
         [this] {
             const std::lock_guard lock(wire_->mutex);
             wire_->gone = true;
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(link_.OpenPort(LinkSettings()));
        stop_.Reset();
        SetOnMeter(Meter(), {150, 16, 1});
        ASSERT_TRUE(Poll(kW58Meter));
        const LinkHealth good = shared_.health;

        SetOnMeter(Meter(), {150, 16, 2});
        ClearRequests();
        {
            const std::lock_guard lock(wire_->mutex);
            wire_->beforeAnswer = [&c](std::size_t request) {
                if (request == 2) c.atSecondRequest();
            };
        }
        EXPECT_FALSE(Poll(kW58Meter));
        {
            const std::lock_guard lock(wire_->mutex);
            wire_->beforeAnswer = {};
            wire_->gone = false;
        }
        EXPECT_EQ(Requests().size(), 2U) << "no block after the one that was cut short, and no second attempt";
        EXPECT_EQ(shared_.snapshot.U16(150), 2) << "the block read before still reaches the record";
        if (c.recordsTheCycle) {
            EXPECT_FALSE(shared_.health.lastCycleGood);
            EXPECT_EQ(shared_.health.lastGoodCycle, good.lastGoodCycle);
        } else {
            EXPECT_EQ(shared_.health, good);
        }
        link_.ClosePort();
    }
}

}  // namespace
}  // namespace kelvo
